#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

// In place of walking "all open forms and data modules": owners (data modules, windows) register themselves
// and their named components (datasets, report data sources, reports), and the report engine, the designer's
// field lists and the dictionary find them by "Name", "Owner.Name" or "Owner.Frame.Name", ignoring case.
// An owner or component leaves the registry by itself when it is destroyed. User-interface thread only.
class ComponentRegistry
{
public:
    struct Entry
    {
        QObject *owner;
        QString ownerName;
        QObject *component;
        QString name;
        QString fullName() const { return ownerName + QLatin1Char('.') + name; }
    };

    static ComponentRegistry &instance();

    // An empty name takes the object's objectName(). Registering again renames.
    void registerOwner(QObject *owner, const QString &name = {});
    void registerComponent(QObject *owner, QObject *component, const QString &name = {});
    void unregister(QObject *object);

    // "Name" is looked for among the components of `context` (an owner) first, then among the owners, then
    // among every owner's components in registration order. Null when nothing matches.
    QObject *find(const QString &path, QObject *context = nullptr) const;
    template <class T> T *findAs(const QString &path, QObject *context = nullptr) const
    {
        return qobject_cast<T *>(find(path, context));
    }

    // Every registered component in registration order, owner by owner.
    QList<Entry> entries() const;
    QList<QObject *> owners() const;
    // "Owner.Name" of a registered component, else an empty text.
    QString fullName(const QObject *component) const;

private:
    struct Owner
    {
        QPointer<QObject> object;
        QString name;
        QList<std::pair<QPointer<QObject>, QString>> components;
    };

    ComponentRegistry() = default;
    Owner *ownerNamed(const QString &name);
    const Owner *ownerNamed(const QString &name) const;
    Owner *ownerOf(const QObject *owner);
    static QObject *componentNamed(const Owner &owner, const QString &name);

    QList<Owner> m_owners;
};
