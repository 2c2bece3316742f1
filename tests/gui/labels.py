#!/usr/bin/python3
# Prints the texts that the process PID shows, read through the accessibility bus.
import sys, gi
gi.require_version("Atspi", "2.0")
from gi.repository import Atspi

def walk(node):
    if node.get_role() == Atspi.Role.LABEL:
        print(node.get_name())
    for i in range(node.get_child_count()):
        walk(node.get_child_at_index(i))

desktop = Atspi.get_desktop(0)
for i in range(desktop.get_child_count()):
    app = desktop.get_child_at_index(i)
    if app is not None and app.get_process_id() == int(sys.argv[1]):
        walk(app)
