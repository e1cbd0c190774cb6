#include "FormClasses.h"

#include <QHash>
#include <QWidget>

namespace {

QHash<QString, TFormFactory> &classes()
{
    static QHash<QString, TFormFactory> registered;
    return registered;
}

QHash<QString, TPicker> &pickers()
{
    static QHash<QString, TPicker> registered;
    return registered;
}

const char *const ClassNameProperty = "tarvikFormClass";

} // namespace

void RegisterFormClass(const QString &className, TFormFactory factory)
{
    classes().insert(className, std::move(factory));
}

void UnRegisterFormClass(const QString &className)
{
    classes().remove(className);
}

TFormFactory FindFormClass(const QString &className)
{
    return classes().value(className);
}

QStringList RegisteredFormClasses()
{
    QStringList names = classes().keys();
    names.sort();
    return names;
}

QString FormClassName(const QWidget *form)
{
    if (!form)
        return {};
    const QVariant name = form->property(ClassNameProperty);
    return name.isValid() ? name.toString() : QString::fromLatin1(form->metaObject()->className());
}

void SetFormClassName(QWidget *form, const QString &className)
{
    form->setProperty(ClassNameProperty, className);
}

void RegisterPicker(const QString &name, TPicker picker)
{
    pickers().insert(name, std::move(picker));
}

void UnRegisterPicker(const QString &name)
{
    pickers().remove(name);
}

TPicker FindPicker(const QString &name)
{
    return pickers().value(name);
}
