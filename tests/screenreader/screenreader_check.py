# SPDX-License-Identifier: MIT
# What a screen reader finds in Varnholt's main window over AT-SPI: each level selector
# shown is labelled by its column and described by what its slot holds, and the activity
# log's text can be read, naming the installation found first.
import os
import sys
import time

import pyatspi


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    for child in node:
        yield from walk(child, depth + 1)


def labels(node):
    found = []
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            found += [relation.getTarget(i).name for i in range(relation.getNTargets())]
    return found


app = None
deadline = time.time() + 30
while app is None and time.time() < deadline:
    app = next((a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.name == "Varnholt"), None)
    time.sleep(0.2)
if app is None:
    sys.exit("Varnholt never showed up on the accessibility bus")

nodes = list(walk(app))
shown = [n for n in nodes if n.getRoleName() == "combo box" and n.getState().contains(pyatspi.STATE_SHOWING)]
columns = [labels(n) for n in shown]
if columns != [["2 player levels"], ["3 player levels"], ["4  player levels"]]:
    sys.exit(f"the level selectors are labelled {columns}")

deadline = time.time() + 10
while time.time() < deadline and any(n.description != "Now in this slot: the original map" for n in shown):
    time.sleep(0.2)
descriptions = [n.description for n in shown]
if descriptions != ["Now in this slot: the original map"] * 3:
    sys.exit(f"the level selectors are described as {descriptions}")

log = next((n for n in nodes if n.getRoleName() == "text" and n.name == "Activity log"), None)
if log is None:
    sys.exit("no text named Activity log")
text = log.queryText().getText(0, -1)
if not text.startswith(f"Using the levels folder {os.environ['LEVELS']}\n") or "levl2120.inf multiplayer level backed up" not in text:
    sys.exit(f"the log reads {text!r}")
print("A screen reader hears the columns and what each slot holds, and reads the log.")
