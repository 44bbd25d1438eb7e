'''A StatusNotifierWatcher with its host, as a desktop's panel runs it.

Programs register their tray items (StatusNotifierItem) with it; the calls
are recorded, so a test reads which item registered and then talks to the
item itself. Start with the parameter {"host": false} for a watcher whose
panel has not registered its host yet; SetHost(true) registers it later and
announces it, as a panel that comes up after the program does.
'''

import dbus

BUS_NAME = 'org.kde.StatusNotifierWatcher'
MAIN_OBJ = '/StatusNotifierWatcher'
MAIN_IFACE = 'org.kde.StatusNotifierWatcher'
SYSTEM_BUS = False


def load(mock, parameters):
    host = bool(parameters.get('host', True))
    mock.AddProperties(MAIN_IFACE, dbus.Dictionary({
        'IsStatusNotifierHostRegistered': dbus.Boolean(host),
        'ProtocolVersion': dbus.Int32(0),
        'RegisteredStatusNotifierItems': dbus.Array([], signature='s'),
    }, signature='sv'))
    mock.AddMethods(MAIN_IFACE, [
        ('RegisterStatusNotifierItem', 's', '',
         'items = self.Get("%s", "RegisteredStatusNotifierItems")\n'
         'self.Set("%s", "RegisteredStatusNotifierItems", dbus.Array(list(items) + [args[0]], signature="s"))\n'
         'self.EmitSignal("%s", "StatusNotifierItemRegistered", "s", [args[0]])'
         % (MAIN_IFACE, MAIN_IFACE, MAIN_IFACE)),
        ('RegisterStatusNotifierHost', 's', '', ''),
        ('SetHost', 'b', '',
         'self.Set("%s", "IsStatusNotifierHostRegistered", dbus.Boolean(args[0]))\n'
         'if args[0]: self.EmitSignal("%s", "StatusNotifierHostRegistered", "", [])'
         % (MAIN_IFACE, MAIN_IFACE)),
    ])
