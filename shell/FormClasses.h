#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

class QWidget;

// The window classes the main window can open by name. Each subsystem registers its child windows when it
// starts, so the shell opens windows of the layers above it without knowing them.
using TFormFactory = std::function<QWidget *()>;

void RegisterFormClass(const QString &className, TFormFactory factory);
template <class T> void RegisterFormClass(const QString &className)
{
    RegisterFormClass(className, [] { return new T(); });
}
void UnRegisterFormClass(const QString &className);
// Empty when no class of that name is registered.
TFormFactory FindFormClass(const QString &className);
// The names of every registered class, sorted.
QStringList RegisteredFormClasses();

// The class name a window was opened by, or the name of its C++ class.
QString FormClassName(const QWidget *form);
// Marks a window made by the factory of `className`.
void SetFormClassName(QWidget *form, const QString &className);

// A chooser of a row of a guide: given the current key, true with the chosen key. The guides register theirs
// by name, so that the shell and the layers beside the guides ask for a row without knowing the guides.
using TPicker = std::function<bool(QVariant &key)>;
void RegisterPicker(const QString &name, TPicker picker);
void UnRegisterPicker(const QString &name);
// The picker of that name; empty while nobody registered it.
TPicker FindPicker(const QString &name);
