'''The standard mock notification server, slow to serve at first.

It owns its bus name half a second before it answers any request, as a
server that is still starting up does, so that a client sees the server
appear well before it learns what the server can do.
'''

import time

from dbusmock.templates import notification_daemon

BUS_NAME = notification_daemon.BUS_NAME
MAIN_OBJ = notification_daemon.MAIN_OBJ
MAIN_IFACE = notification_daemon.MAIN_IFACE
SYSTEM_BUS = notification_daemon.SYSTEM_BUS


def load(mock, parameters):
    notification_daemon.load(mock, parameters)
    time.sleep(0.5)
