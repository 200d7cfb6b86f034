"""A GlobalShortcuts portal backend for tests, as a python-dbusmock template.

The real xdg-desktop-portal front end talks to it like to a desktop's backend:
every session and binding is accepted at once, as if the user confirmed it.
Tests press and release the bound shortcut through org.orvendi.Test:

    gdbus call --session --dest org.freedesktop.impl.portal.desktop.orvendi \
        --object-path /org/freedesktop/portal/desktop --method org.orvendi.Test.Press
"""

import dbus

BUS_NAME = "org.freedesktop.impl.portal.desktop.orvendi"
MAIN_OBJ = "/org/freedesktop/portal/desktop"
MAIN_IFACE = "org.freedesktop.impl.portal.GlobalShortcuts"
SYSTEM_BUS = False

TEST_IFACE = "org.orvendi.Test"


def load(mock, parameters):
    mock.AddProperty(MAIN_IFACE, "version", dbus.UInt32(1))
    mock.AddMethod(
        MAIN_IFACE, "CreateSession", "oosa{sv}", "ua{sv}",
        "self.session = args[1]\n"
        "ret = (dbus.UInt32(0), dbus.Dictionary({}, signature='sv'))")
    mock.AddMethod(
        MAIN_IFACE, "BindShortcuts", "ooa(sa{sv})sa{sv}", "ua{sv}",
        "ret = (dbus.UInt32(0), {'shortcuts': args[2]})")
    mock.AddMethod(
        MAIN_IFACE, "ListShortcuts", "ooa{sv}", "ua{sv}",
        "ret = (dbus.UInt32(0), {'shortcuts': dbus.Array([], signature='(sa{sv})')})")
    for method, signal in (("Press", "Activated"), ("Release", "Deactivated")):
        mock.AddMethod(
            TEST_IFACE, method, "", "",
            f"self.EmitSignal('{MAIN_IFACE}', '{signal}', 'osta{{sv}}', "
            "[self.session, 'dictation', dbus.UInt64(0), dbus.Dictionary({}, signature='sv')])")
