#include "ComponentRegistry.h"

ComponentRegistry &ComponentRegistry::instance()
{
    static ComponentRegistry registry;
    return registry;
}

void ComponentRegistry::registerOwner(QObject *owner, const QString &name)
{
    if (!owner)
        return;
    const QString ownerName = name.isEmpty() ? owner->objectName() : name;
    if (Owner *existing = ownerOf(owner)) {
        existing->name = ownerName;
        return;
    }
    m_owners.append(Owner { owner, ownerName, {} });
    QObject::connect(owner, &QObject::destroyed, [this, owner] { unregister(owner); });
}

void ComponentRegistry::registerComponent(QObject *owner, QObject *component, const QString &name)
{
    if (!owner || !component)
        return;
    if (!ownerOf(owner))
        registerOwner(owner);
    Owner *entry = ownerOf(owner);
    const QString componentName = name.isEmpty() ? component->objectName() : name;
    for (auto &c : entry->components) {
        if (c.first == component) {
            c.second = componentName;
            return;
        }
    }
    entry->components.append({ component, componentName });
    QObject::connect(component, &QObject::destroyed, [this, component] { unregister(component); });
}

void ComponentRegistry::unregister(QObject *object)
{
    // Compared by address only: the object may be half destroyed already.
    for (qsizetype i = m_owners.size() - 1; i >= 0; --i) {
        Owner &owner = m_owners[i];
        if (owner.object.data() == object || owner.object.isNull()) {
            m_owners.removeAt(i);
            continue;
        }
        owner.components.removeIf([object](const auto &c) { return c.first.data() == object || c.first.isNull(); });
    }
}

ComponentRegistry::Owner *ComponentRegistry::ownerOf(const QObject *owner)
{
    for (Owner &o : m_owners) {
        if (o.object.data() == owner)
            return &o;
    }
    return nullptr;
}

ComponentRegistry::Owner *ComponentRegistry::ownerNamed(const QString &name)
{
    for (Owner &o : m_owners) {
        if (o.object && o.name.compare(name, Qt::CaseInsensitive) == 0)
            return &o;
    }
    return nullptr;
}

const ComponentRegistry::Owner *ComponentRegistry::ownerNamed(const QString &name) const
{
    return const_cast<ComponentRegistry *>(this)->ownerNamed(name);
}

QObject *ComponentRegistry::componentNamed(const Owner &owner, const QString &name)
{
    for (const auto &c : owner.components) {
        if (c.first && c.second.compare(name, Qt::CaseInsensitive) == 0)
            return c.first.data();
    }
    return nullptr;
}

namespace {

// A child of `parent` by object name, ignoring case (a frame's own components are its children).
QObject *childNamed(QObject *parent, const QString &name)
{
    const QList<QObject *> children = parent->findChildren<QObject *>();
    for (QObject *child : children) {
        if (child->objectName().compare(name, Qt::CaseInsensitive) == 0)
            return child;
    }
    return nullptr;
}

} // namespace

QObject *ComponentRegistry::find(const QString &path, QObject *context) const
{
    const QStringList parts = path.trimmed().split(QLatin1Char('.'));
    if (parts.isEmpty() || parts.first().isEmpty())
        return nullptr;
    if (parts.size() == 1) {
        const QString &name = parts.first();
        if (context) {
            if (const Owner *own = const_cast<ComponentRegistry *>(this)->ownerOf(context)) {
                if (QObject *found = componentNamed(*own, name))
                    return found;
            }
        }
        if (const Owner *owner = ownerNamed(name))
            return owner->object.data();
        for (const Owner &o : m_owners) {
            if (QObject *found = componentNamed(o, name))
                return found;
        }
        return nullptr;
    }
    const Owner *owner = ownerNamed(parts.first());
    if (!owner)
        return nullptr;
    QObject *current = componentNamed(*owner, parts[1]);
    if (!current)
        current = childNamed(owner->object.data(), parts[1]);
    for (qsizetype i = 2; current && i < parts.size(); ++i)
        current = childNamed(current, parts[i]);
    return current;
}

QList<ComponentRegistry::Entry> ComponentRegistry::entries() const
{
    QList<Entry> list;
    for (const Owner &o : m_owners) {
        if (!o.object)
            continue;
        for (const auto &c : o.components) {
            if (c.first)
                list.append(Entry { o.object.data(), o.name, c.first.data(), c.second });
        }
    }
    return list;
}

QList<QObject *> ComponentRegistry::owners() const
{
    QList<QObject *> list;
    for (const Owner &o : m_owners) {
        if (o.object)
            list.append(o.object.data());
    }
    return list;
}

QString ComponentRegistry::fullName(const QObject *component) const
{
    for (const Entry &e : entries()) {
        if (e.component == component)
            return e.fullName();
    }
    return {};
}
