'''The standard mock notification server, answered before it replies.

Each new notification is answered with its first action other than the
body click, and another program's notification (77) with the same, before
the server replies to the post with the notification's id: the order in
which a client's bus connection may hand a server's reply and its answer
over, here on the wire itself.
'''

from dbusmock.templates import notification_daemon

BUS_NAME = notification_daemon.BUS_NAME
MAIN_OBJ = notification_daemon.MAIN_OBJ
MAIN_IFACE = notification_daemon.MAIN_IFACE
SYSTEM_BUS = notification_daemon.SYSTEM_BUS


def load(mock, parameters):
    notification_daemon.load(mock, parameters)
    mock.AddMethod(MAIN_IFACE, 'Notify', 'susssasa{sv}i', 'u', f'''if args[1]:
    ret = args[1]
else:
    ret = self.next_id
    self.next_id += 1
    keys = [key for key in args[5][0::2] if key != 'default']
    for target in (77, ret):
        self.EmitSignal('{MAIN_IFACE}', 'ActionInvoked', 'us', [target, keys[0]])
''')
