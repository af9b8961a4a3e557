#!/usr/bin/env python3
"""zeth-host.exe serve under wine, as an author on Windows works with it.

Serves R7_DESK.dll (a copy in WORK, which the test rebuilds by writing it again), works a desk
through the line box, then rebuilds the plug-in three times: the same build at once, within the
second the first was written in (the reload must see it, and the session plays on it without a
change); a file that is no DLL (refused in its trial process, the build before serves on); the
DLL again (in service). Then Ctrl-C, which must close the desks and end serve with status 0.

usage: serve_desks.py WINE_RUN... -- ZETH_HOST_EXE R7_DESK_DLL WORK
"""
import json
import os
import queue
import re
import shutil
import signal
import subprocess
import sys
import threading
import time
import urllib.request

STEP_SECONDS = 120  # one reload under wine takes a few seconds; a hang takes this long to fail


def fail(message, log=None):
    print("serve_desks: " + message, file=sys.stderr)
    if log is not None:
        print("--- serve's messages ---\n" + "".join(log), file=sys.stderr)
    sys.exit(1)


def main():
    if "--" not in sys.argv:
        fail(__doc__.strip().splitlines()[-1])
    split = sys.argv.index("--")
    wine_run = sys.argv[1:split]
    host, dll, work = sys.argv[split + 1:split + 4]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    plugin = os.path.join(work, "R7_DESK.dll")
    shutil.copy(dll, plugin)
    shutil.copy(os.path.join(os.path.dirname(dll), "R7_DESK.zeth_ui"), work)
    with open(dll, "rb") as built:
        dll_bytes = built.read()

    server = subprocess.Popen(wine_run + [host, "serve", "--port", "0", "--plugin",
                                          "R7_DESK.dll", "--panels", "2"],
                              cwd=work, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              text=True, errors="replace")
    log = []
    lines = queue.Queue()

    def read_messages():
        for line in server.stderr:
            log.append(line)
            lines.put(line)

    threading.Thread(target=read_messages, daemon=True).start()
    transcript = []
    threading.Thread(target=lambda: transcript.extend(server.stdout), daemon=True).start()

    url = None
    deadline = time.monotonic() + STEP_SECONDS
    while url is None:
        try:
            line = lines.get(timeout=max(0.1, deadline - time.monotonic()))
        except queue.Empty:
            line = ""
        found = re.search(r"the desks are at (http://\S+/)", line)
        url = found.group(1) if found else None
        if url is None and (server.poll() is not None or time.monotonic() > deadline):
            server.kill()
            fail("serve gave no address", log)

    def call(path, body=None):
        request = urllib.request.Request(url + path.lstrip("/"))
        if body is not None:
            request.data = json.dumps(body).encode()
            request.add_header("Content-Type", "application/json")
        with urllib.request.urlopen(request, timeout=STEP_SECONDS) as answer:
            return json.loads(answer.read())

    def reload_number(wanted):
        until = time.monotonic() + STEP_SECONDS
        while time.monotonic() < until:
            report = call("/api/reload")
            if report["reload"] >= wanted:
                print("reload %d: build %d %s; %s %s" % (report["reload"], report["build"],
                                                       report["outcome"], report["change"],
                                                       report["refusal"]))
                return report
            time.sleep(0.1)
        fail("reload %d never reported" % wanted, log)

    def take_enabled():
        state = call("/api/state")
        desks = state["desks"]
        if len(desks) != 2:
            fail("%d desks served, not 2" % len(desks), log)
        for panel in desks[0]["panels"]:
            for control in panel["controls"]:
                if control["name"] == "Take":
                    return control["enabled"], state["build"]
        fail("desk 1 has no Take button", log)

    try:
        for line in ['select "Studio A"', "click Dest_2", "expect enabled Take"]:
            call("/api/line", {"line": line})
        enabled, build = take_enabled()
        if not enabled or build.get("number") != 1:
            fail("after the operator's lines: Take enabled %s, build %s" % (enabled, build), log)

        # The same build written again at once: new only in its time of writing.
        with open(plugin, "wb") as out:
            out.write(dll_bytes)
        report = reload_number(1)
        if report["outcome"] != "in-service" or report["change"] != "No change in behaviour":
            fail("a rewritten build: %s" % report, log)

        with open(plugin, "wb") as out:
            out.write(b"this is no DLL\n")
        report = reload_number(2)
        if report["outcome"] != "rolled-back" or not report["refusal"] or "%1" in report["refusal"]:
            fail("a file that is no DLL: %s" % report, log)

        with open(plugin, "wb") as out:
            out.write(dll_bytes)
        report = reload_number(3)
        if report["outcome"] != "in-service":
            fail("the DLL again: %s" % report, log)
        enabled, build = take_enabled()
        if not enabled or build.get("number") != report["build"] or build.get("reloads") != 3:
            fail("after the reloads: Take enabled %s, build %s" % (enabled, build), log)
    except (OSError, ValueError, KeyError, TypeError) as error:
        server.kill()
        fail("the desks did not answer as they should: %r" % error, log)

    # Ctrl-C: timeout passes SIGINT on to wine, which raises the console's Ctrl-C event.
    server.send_signal(signal.SIGINT)
    try:
        status = server.wait(timeout=STEP_SECONDS)
    except subprocess.TimeoutExpired:
        server.kill()
        fail("serve did not stop after Ctrl-C", log)
    time.sleep(0.2)  # the readers take the last lines
    if status != 0:
        fail("serve ended with status %d after Ctrl-C" % status, log)
    made = sum("the host creates the panel" in line for line in transcript)
    deleted = sum("the host deletes the panel" in line for line in transcript)
    if made < 2 or deleted != made:
        fail("of %d panels made, %d were deleted" % (made, deleted), log)
    print("serve_desks: served, reloaded 3 times (one refused), stopped by Ctrl-C")


if __name__ == "__main__":
    main()
