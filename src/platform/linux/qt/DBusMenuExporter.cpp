#include "platform/linux/qt/DBusMenuExporter.h"

#include <QAction>
#include <QActionEvent>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QKeySequence>
#include <QMenu>

namespace orvendi::dbusmenu {

// One item's properties, as GetGroupProperties and ItemsPropertiesUpdated carry them.
struct ItemProperties {
    int id = 0;
    QVariantMap properties;
};

// Property names an item no longer has.
struct ItemRemovedProperties {
    int id = 0;
    QStringList names;
};

} // namespace orvendi::dbusmenu

Q_DECLARE_METATYPE(orvendi::dbusmenu::ItemProperties)
Q_DECLARE_METATYPE(orvendi::dbusmenu::ItemRemovedProperties)

namespace orvendi::dbusmenu {

QDBusArgument& operator<<(QDBusArgument& out, const ItemProperties& item) {
    out.beginStructure();
    out << item.id << item.properties;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, ItemProperties& item) {
    in.beginStructure();
    in >> item.id >> item.properties;
    in.endStructure();
    return in;
}

QDBusArgument& operator<<(QDBusArgument& out, const ItemRemovedProperties& item) {
    out.beginStructure();
    out << item.id << item.names;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, ItemRemovedProperties& item) {
    in.beginStructure();
    in >> item.id >> item.names;
    in.endStructure();
    return in;
}

} // namespace orvendi::dbusmenu

namespace orvendi {
namespace {

using dbusmenu::ItemProperties;
using dbusmenu::ItemRemovedProperties;

const QString kInterface = QStringLiteral("com.canonical.dbusmenu");
const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
constexpr uint kProtocolVersion = 3;
constexpr int kRootId = 0;

void registerTypes() {
    static const bool registered = [] {
        qDBusRegisterMetaType<ItemProperties>();
        qDBusRegisterMetaType<QList<ItemProperties>>();
        qDBusRegisterMetaType<ItemRemovedProperties>();
        qDBusRegisterMetaType<QList<ItemRemovedProperties>>();
        return true;
    }();
    (void)registered;
}

// The text a QAction shows, without Qt's mnemonic markers ("&&" is one "&",
// a single "&" marks a key), then with the protocol's marker "_" doubled.
QString labelOf(const QString& actionText) {
    QString label;
    for (qsizetype i = 0; i < actionText.size(); ++i) {
        if (actionText[i] == '&') {
            if (i + 1 < actionText.size() && actionText[i + 1] == '&') {
                label += '&';
                ++i;
            }
            continue;
        }
        label += actionText[i];
    }
    return label.replace('_', QStringLiteral("__"));
}

// "Ctrl+Q" as the protocol's key lists: [["Control", "Q"]].
QVariant shortcutOf(const QKeySequence& sequence) {
    QDBusArgument keys;
    keys.beginArray(QMetaType::fromType<QStringList>());
    for (int i = 0; i < sequence.count(); ++i) {
        const QKeyCombination combination = sequence[i];
        const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
        QStringList names;
        if (modifiers & Qt::ControlModifier) {
            names << QStringLiteral("Control");
        }
        if (modifiers & Qt::AltModifier) {
            names << QStringLiteral("Alt");
        }
        if (modifiers & Qt::ShiftModifier) {
            names << QStringLiteral("Shift");
        }
        if (modifiers & Qt::MetaModifier) {
            names << QStringLiteral("Super");
        }
        names << QKeySequence(combination.key()).toString(QKeySequence::PortableText);
        keys << names;
    }
    keys.endArray();
    return QVariant::fromValue(keys);
}

// What Introspect tells of the object at kPath.
constexpr const char* kIntrospection = R"xml(<interface name="com.canonical.dbusmenu">
  <property name="Version" type="u" access="read"/>
  <property name="TextDirection" type="s" access="read"/>
  <property name="Status" type="s" access="read"/>
  <property name="IconThemePath" type="as" access="read"/>
  <method name="GetLayout">
    <arg name="parentId" type="i" direction="in"/>
    <arg name="recursionDepth" type="i" direction="in"/>
    <arg name="propertyNames" type="as" direction="in"/>
    <arg name="revision" type="u" direction="out"/>
    <arg name="layout" type="(ia{sv}av)" direction="out"/>
  </method>
  <method name="GetGroupProperties">
    <arg name="ids" type="ai" direction="in"/>
    <arg name="propertyNames" type="as" direction="in"/>
    <arg name="properties" type="a(ia{sv})" direction="out"/>
  </method>
  <method name="GetProperty">
    <arg name="id" type="i" direction="in"/>
    <arg name="name" type="s" direction="in"/>
    <arg name="value" type="v" direction="out"/>
  </method>
  <method name="Event">
    <arg name="id" type="i" direction="in"/>
    <arg name="eventId" type="s" direction="in"/>
    <arg name="data" type="v" direction="in"/>
    <arg name="timestamp" type="u" direction="in"/>
  </method>
  <method name="EventGroup">
    <arg name="events" type="a(isvu)" direction="in"/>
    <arg name="idErrors" type="ai" direction="out"/>
  </method>
  <method name="AboutToShow">
    <arg name="id" type="i" direction="in"/>
    <arg name="needUpdate" type="b" direction="out"/>
  </method>
  <method name="AboutToShowGroup">
    <arg name="ids" type="ai" direction="in"/>
    <arg name="updatesNeeded" type="ai" direction="out"/>
    <arg name="idErrors" type="ai" direction="out"/>
  </method>
  <signal name="ItemsPropertiesUpdated">
    <arg name="updatedProps" type="a(ia{sv})"/>
    <arg name="removedProps" type="a(ias)"/>
  </signal>
  <signal name="LayoutUpdated">
    <arg name="revision" type="u"/>
    <arg name="parent" type="i"/>
  </signal>
</interface>
)xml";

} // namespace

DBusMenuExporter::DBusMenuExporter(QMenu* menu) : menu_(menu) {
    registerTypes();
    watch(menu);
}

DBusMenuExporter::~DBusMenuExporter() {
    if (connection_ && connection_->objectRegisteredAt(QString::fromUtf8(kPath)) == this) {
        connection_->unregisterObject(QString::fromUtf8(kPath));
    }
}

void DBusMenuExporter::exportOn(QDBusConnection connection) {
    const QString path = QString::fromUtf8(kPath);
    if (connection.objectRegisteredAt(path) == this) {
        return;
    }
    connection.unregisterObject(path);
    if (connection.registerVirtualObject(path, this)) {
        connection_ = connection;
        layoutChanged();
    }
}

QString DBusMenuExporter::introspect(const QString&) const {
    return QString::fromUtf8(kIntrospection);
}

bool DBusMenuExporter::handleMessage(const QDBusMessage& message,
                                     const QDBusConnection& connection) {
    if (message.type() != QDBusMessage::MethodCallMessage) {
        return false;
    }
    const bool aboutProperties = message.interface() == kPropertiesInterface;
    if (const auto reply = aboutProperties ? properties(message) : answer(message)) {
        connection.send(message.createReply(*reply));
    } else {
        connection.send(message.createErrorReply(
            aboutProperties ? QDBusError::InvalidArgs : QDBusError::UnknownMethod,
            QStringLiteral("The menu does not answer %1.").arg(message.member())));
    }
    return true;
}

std::optional<QVariantList> DBusMenuExporter::answer(const QDBusMessage& message) {
    const QString method = message.member();
    const QVariantList arguments = message.arguments();
    const auto intList = [](const QVariant& value) { return qdbus_cast<QList<int>>(value); };
    if (method == QStringLiteral("GetLayout") && arguments.size() == 3) {
        return QVariantList{revision_, layout(arguments[0].toInt(), arguments[1].toInt())};
    }
    if (method == QStringLiteral("GetGroupProperties") && arguments.size() == 2) {
        return groupProperties(intList(arguments[0]));
    }
    if (method == QStringLiteral("GetProperty") && arguments.size() == 2) {
        const QVariant value = propertiesOf(arguments[0].toInt()).value(arguments[1].toString());
        return QVariantList{QVariant::fromValue(QDBusVariant(value))};
    }
    if (method == QStringLiteral("Event") && arguments.size() == 4) {
        activate(arguments[0].toInt(), arguments[1].toString());
        return QVariantList();
    }
    if (method == QStringLiteral("EventGroup") && arguments.size() == 1) {
        QList<int> unknown;
        const auto events = qvariant_cast<QDBusArgument>(arguments[0]);
        events.beginArray();
        while (!events.atEnd()) {
            int id = 0;
            QString eventId;
            QDBusVariant data;
            uint timestamp = 0;
            events.beginStructure();
            events >> id >> eventId >> data >> timestamp;
            events.endStructure();
            if (!activate(id, eventId)) {
                unknown << id;
            }
        }
        events.endArray();
        return QVariantList{QVariant::fromValue(unknown)};
    }
    if (method == QStringLiteral("AboutToShow") && arguments.size() == 1) {
        return QVariantList{false};
    }
    if (method == QStringLiteral("AboutToShowGroup") && arguments.size() == 1) {
        return QVariantList{QVariant::fromValue(QList<int>()), QVariant::fromValue(QList<int>())};
    }
    return std::nullopt;
}

std::optional<QVariantList> DBusMenuExporter::properties(const QDBusMessage& message) const {
    const QVariantMap all{
        {QStringLiteral("Version"), kProtocolVersion},
        {QStringLiteral("TextDirection"), QStringLiteral("ltr")},
        {QStringLiteral("Status"), QStringLiteral("normal")},
        {QStringLiteral("IconThemePath"), QStringList()},
    };
    const QVariantList arguments = message.arguments();
    if (message.member() == QStringLiteral("GetAll")) {
        return QVariantList{all};
    }
    if (message.member() == QStringLiteral("Get") && arguments.size() == 2 &&
        all.contains(arguments[1].toString())) {
        return QVariantList{QVariant::fromValue(QDBusVariant(all.value(arguments[1].toString())))};
    }
    return std::nullopt;
}

// (ia{sv}av): the item, its properties, and its children `depth` levels down
// (all of them for a negative depth), each child in a variant.
QVariant DBusMenuExporter::layout(int id, int depth) {
    QDBusArgument item;
    item.beginStructure();
    item << id << propertiesOf(id);
    item.beginArray(QMetaType::fromType<QDBusVariant>());
    if (QMenu* menu = depth != 0 ? menuOf(id) : nullptr) {
        for (QAction* action : menu->actions()) {
            item << QDBusVariant(layout(idOf(action), depth - 1));
        }
    }
    item.endArray();
    item.endStructure();
    return QVariant::fromValue(item);
}

QVariantList DBusMenuExporter::groupProperties(const QList<int>& ids) {
    QList<ItemProperties> items;
    for (const int id : ids) {
        if (id == kRootId || actionOf(id)) {
            items.push_back({id, propertiesOf(id)});
        }
    }
    return {QVariant::fromValue(items)};
}

bool DBusMenuExporter::activate(int id, const QString& eventId) {
    QAction* action = actionOf(id);
    if (id != kRootId && !action) {
        return false;
    }
    if (action && eventId == QStringLiteral("clicked")) {
        action->trigger();
    }
    return true;
}

int DBusMenuExporter::idOf(QAction* action) {
    if (const auto found = ids_.constFind(action); found != ids_.constEnd()) {
        return *found;
    }
    const int id = nextId_++;
    ids_.insert(action, id);
    actions_.insert(id, action);
    if (action->menu()) {
        watch(action->menu());
    }
    return id;
}

QAction* DBusMenuExporter::actionOf(int id) const {
    return actions_.value(id).data();
}

QMenu* DBusMenuExporter::menuOf(int id) const {
    if (id == kRootId) {
        return menu_.data();
    }
    QAction* action = actionOf(id);
    return action ? action->menu() : nullptr;
}

QVariantMap DBusMenuExporter::propertiesOf(int id) {
    QVariantMap properties;
    QAction* action = actionOf(id);
    if (!action) {
        properties.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
        return properties;
    }
    properties.insert(QStringLiteral("visible"), action->isVisible());
    if (action->isSeparator()) {
        properties.insert(QStringLiteral("type"), QStringLiteral("separator"));
        return properties;
    }
    properties.insert(QStringLiteral("label"), labelOf(action->text()));
    properties.insert(QStringLiteral("enabled"), action->isEnabled());
    if (!action->shortcut().isEmpty()) {
        properties.insert(QStringLiteral("shortcut"), shortcutOf(action->shortcut()));
    }
    if (action->menu()) {
        properties.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    }
    return properties;
}

void DBusMenuExporter::watch(QMenu* menu) {
    if (menu) {
        menu->installEventFilter(this);
    }
}

bool DBusMenuExporter::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ActionAdded:
        layoutChanged();
        break;
    case QEvent::ActionRemoved:
        if (auto* removed = static_cast<QActionEvent*>(event)->action()) {
            actions_.remove(ids_.take(removed));
        }
        layoutChanged();
        break;
    case QEvent::ActionChanged:
        itemChanged(static_cast<QActionEvent*>(event)->action());
        break;
    default:
        break;
    }
    return QDBusVirtualObject::eventFilter(watched, event);
}

void DBusMenuExporter::layoutChanged() {
    ++revision_;
    if (!connection_) {
        return;
    }
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromUtf8(kPath), kInterface,
                                                     QStringLiteral("LayoutUpdated"));
    signal << revision_ << kRootId;
    connection_->send(signal);
}

void DBusMenuExporter::itemChanged(QAction* action) {
    ++revision_;
    if (!connection_ || !action) {
        return;
    }
    const int id = idOf(action);
    const QList<ItemProperties> updated{{id, propertiesOf(id)}};
    // A shortcut taken away is the one property an item can lose.
    QList<ItemRemovedProperties> removed;
    if (action->shortcut().isEmpty()) {
        removed.push_back({id, {QStringLiteral("shortcut")}});
    }
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromUtf8(kPath), kInterface,
                                                     QStringLiteral("ItemsPropertiesUpdated"));
    signal << QVariant::fromValue(updated) << QVariant::fromValue(removed);
    connection_->send(signal);
}

} // namespace orvendi
