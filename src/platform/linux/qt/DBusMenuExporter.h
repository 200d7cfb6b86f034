#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QHash>
#include <QMenu>
#include <QPointer>
#include <QVariantMap>
#include <optional>

class QAction;

namespace orvendi {

// Serves a QMenu over D-Bus as com.canonical.dbusmenu, the menu protocol of
// StatusNotifierItem panels, with every label as the agent wrote it: "&" is
// no mnemonic marker, and "_" (the protocol's marker) is sent doubled, so no
// label carries a mnemonic. Qt's own export turns the first "&" of a label
// into "_", which panels then show ("Stop _& transcribe"). Changes to the
// menu's actions reach the panel as LayoutUpdated and ItemsPropertiesUpdated.
// Main thread only.
class DBusMenuExporter : public QDBusVirtualObject {
    Q_OBJECT

public:
    static constexpr const char* kPath = "/MenuBar";

    explicit DBusMenuExporter(QMenu* menu);
    ~DBusMenuExporter() override;

    // Serves the menu at kPath on `connection`, in place of whatever served it there.
    void exportOn(QDBusConnection connection);
    QMenu* menu() const { return menu_.data(); }

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The reply's arguments; none for a call this menu does not answer.
    std::optional<QVariantList> answer(const QDBusMessage& message);
    std::optional<QVariantList> properties(const QDBusMessage& message) const;
    QVariant layout(int id, int depth);
    QVariantList groupProperties(const QList<int>& ids);
    bool activate(int id, const QString& eventId);

    int idOf(QAction* action);
    QAction* actionOf(int id) const;
    QMenu* menuOf(int id) const;
    QVariantMap propertiesOf(int id);
    void watch(QMenu* menu);
    void layoutChanged();
    void itemChanged(QAction* action);

    QPointer<QMenu> menu_;
    std::optional<QDBusConnection> connection_;
    uint revision_ = 1;
    int nextId_ = 1;
    QHash<QAction*, int> ids_;
    QHash<int, QPointer<QAction>> actions_;
};

} // namespace orvendi
