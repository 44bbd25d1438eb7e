'''A notification server that the session bus starts on demand and that
leaves when idle, as MATE's does (there after about 30 s; here 1 s).

A moment after each notification it presses that notification's Done
button, as a user would. It writes one line per start ("PID started") and
per notification ("PID TITLE") to the file named by its argument.
'''

import os
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

NAME = 'org.freedesktop.Notifications'
IDLE_MS = 1000
PRESS_MS = 200


class Server(dbus.service.Object):
    def __init__(self, bus, log, loop):
        super().__init__(bus, '/org/freedesktop/Notifications')
        self.log, self.loop = log, loop
        self.last_id = 0
        self.idle = None
        self.write('started')
        self.busy()

    def write(self, text):
        with open(self.log, 'a', encoding='utf-8') as f:
            f.write(f'{os.getpid()} {text}\n')

    def busy(self):
        # Leaves once nothing has happened for a while.
        if self.idle is not None:
            GLib.source_remove(self.idle)
        self.idle = GLib.timeout_add(IDLE_MS, self.loop.quit)

    @dbus.service.method(NAME, out_signature='as')
    def GetCapabilities(self):
        self.busy()
        return ['actions', 'body']

    @dbus.service.method(NAME, out_signature='ssss')
    def GetServerInformation(self):
        self.busy()
        return ('idle-notification-server', 'Pimble tests', '1', '1.2')

    @dbus.service.method(NAME, in_signature='susssasa{sv}i', out_signature='u')
    def Notify(self, app, replaces, icon, title, body, actions, hints, timeout):
        self.busy()
        self.last_id += 1
        self.write(title)
        GLib.timeout_add(PRESS_MS, self.press, self.last_id)
        return self.last_id

    @dbus.service.method(NAME, in_signature='u')
    def CloseNotification(self, notification):
        self.busy()

    def press(self, notification):
        self.busy()
        self.ActionInvoked(notification, 'pimble.done')
        self.NotificationClosed(notification, 2)
        return False

    @dbus.service.signal(NAME, signature='us')
    def ActionInvoked(self, notification, key):
        pass

    @dbus.service.signal(NAME, signature='uu')
    def NotificationClosed(self, notification, reason):
        pass


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.StarterBus()
    loop = GLib.MainLoop()
    # Both kept until the end: the name is released when dropped.
    server = Server(bus, sys.argv[1], loop)
    name = dbus.service.BusName(NAME, bus)
    loop.run()
    return server, name


if __name__ == '__main__':
    main()
