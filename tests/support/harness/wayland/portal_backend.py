"""A desktop's portal backend for tests, as a python-dbusmock template.

The real xdg-desktop-portal front end talks to it like to a desktop's backend.

GlobalShortcuts: every session and binding is accepted at once, as if the
user confirmed it. Tests press and release the bound shortcut through
org.orvendi.Test:

    gdbus call --session --dest org.freedesktop.impl.portal.desktop.orvendi \
        --object-path /org/freedesktop/portal/desktop --method org.orvendi.Test.Press

RemoteDesktop (keyboard only): Start answers with the parameter
"remote_desktop_response" (0, the user allowed it, by default; 1 refused).
Each session created and each keysym sent are appended as a line to the
file the parameter "keys_file" names: "CreateSession", "65507 1" (keysym,
1 pressed or 0 released).
"""

import dbus

BUS_NAME = "org.freedesktop.impl.portal.desktop.orvendi"
MAIN_OBJ = "/org/freedesktop/portal/desktop"
MAIN_IFACE = "org.freedesktop.impl.portal.GlobalShortcuts"
SYSTEM_BUS = False

REMOTE_DESKTOP_IFACE = "org.freedesktop.impl.portal.RemoteDesktop"
TEST_IFACE = "org.orvendi.Test"
KEYBOARD = 1


def load(mock, parameters):
    load_shortcuts(mock)
    load_remote_desktop(mock, parameters)


def load_shortcuts(mock):
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


def load_remote_desktop(mock, parameters):
    mock.keys_file = parameters.get("keys_file", "/dev/null")
    mock.start_response = parameters.get("remote_desktop_response", 0)
    mock.AddProperties(REMOTE_DESKTOP_IFACE, {
        "version": dbus.UInt32(1),
        "AvailableDeviceTypes": dbus.UInt32(KEYBOARD),
    })
    mock.AddMethod(
        REMOTE_DESKTOP_IFACE, "CreateSession", "oosa{sv}", "ua{sv}",
        "open(self.keys_file, 'a').write('CreateSession\\n')\n"
        "ret = (dbus.UInt32(0), dbus.Dictionary({}, signature='sv'))")
    mock.AddMethod(
        REMOTE_DESKTOP_IFACE, "SelectDevices", "oosa{sv}", "ua{sv}",
        "ret = (dbus.UInt32(0), dbus.Dictionary({}, signature='sv'))")
    mock.AddMethod(
        REMOTE_DESKTOP_IFACE, "Start", "oossa{sv}", "ua{sv}",
        "ret = (dbus.UInt32(self.start_response), "
        f"dbus.Dictionary({{'devices': dbus.UInt32({KEYBOARD})}}, signature='sv'))")
    mock.AddMethod(
        REMOTE_DESKTOP_IFACE, "NotifyKeyboardKeysym", "oa{sv}iu", "",
        "open(self.keys_file, 'a').write(f'{args[2]} {args[3]}\\n')")
