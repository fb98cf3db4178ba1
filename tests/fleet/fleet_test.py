#!/usr/bin/env python3
"""Runs contrib/ansible/update-grippers.yml on three local "cells": cell-a's two
grippers update, cell-b's second unit fails mid-write, cell-c has none. A --check
run first must leave every gripper as it was; a run of cell-c alone still sums up."""
import json, os, re, shutil, subprocess, sys
from datetime import datetime

playbook, flash, sim_program, work = sys.argv[1:5]
if not shutil.which("ansible-playbook"):
    print("SKIP: ansible-playbook not found (apt-get install ansible-core)")
    sys.exit(77)

shutil.rmtree(work, ignore_errors=True)
under = lambda name: os.path.join(work, name)
os.makedirs(under("host_vars"))
cells = {"cell-a": ["a0", "a1"], "cell-b": ["b0", "b1"], "cell-c": []}
units = [u for c in cells.values() for u in c]
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)


sim = subprocess.Popen([sim_program] + [a for u in units for a in ("-g", "GC,version=1.6.8,publish=" + under(u))],
                       stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
for line in sim.stdout:
    if line.strip() == "ready":
        break
else:
    sys.exit("the simulator ended before it was ready")


def sim_ask(command):
    sim.stdin.write(command + "\n")
    sim.stdin.flush()
    return dict(kv.split("=", 1) for kv in sim.stdout.readline().split()[1:] if "=" in kv)


with open(under("inventory.ini"), "w") as inv:
    inv.write("[robot_cells]\n")
    for cell, own in cells.items():
        inv.write(f"{cell} korvane_flash_work_dir={under(cell)} "
                  f"korvane_flash_extra_ports={':'.join(under(u) for u in own) or under('nothing')}\n")
    inv.write(f"\n[robot_cells:vars]\nansible_connection=local\nansible_python_interpreter={sys.executable}\n"
              f"korvane_flash_program={flash}\nkorvane_flash_fetch_dir={under('reports')}\n")
# cell-b names its ports instead of taking every gripper found.
with open(under("host_vars/cell-b.yml"), "w") as f:
    json.dump({"korvane_flash_ports": [under("b0"), under("b1")]}, f)


def play(*extra):
    env = dict(os.environ, ANSIBLE_NOCOLOR="1", ANSIBLE_LOCAL_TEMP=under("tmp"), ANSIBLE_REMOTE_TEMP=under("tmp"))
    run = subprocess.run(["ansible-playbook", "-f", "5", "-i", under("inventory.ini"), playbook, *extra],
                         cwd=work, env=env, capture_output=True, text=True, timeout=120)
    print(run.stdout[-6000:], run.stderr[-2000:])
    recap = {m[0]: int(m[1]) for m in re.findall(r"^(cell-\w)\s*:.*failed=(\d+)", run.stdout, re.M)}
    fatal = {m[0]: json.loads(m[1])["msg"] for m in re.findall(r"^fatal: \[(\S+)\]: FAILED! => (.*)$", run.stdout, re.M)}
    return run, recap, fatal


# --check: a plan per cell, and no gripper left its firmware or saw a ROM command.
run, recap, fatal = play("--check")
check(run.returncode == 0 and recap == {"cell-a": 0, "cell-b": 0, "cell-c": 0}, f"check run: {recap}")
check('"cell-c: 0 would be updated (no gripper found)"' in run.stdout, "check run says cell-c has nothing")
for i, u in enumerate(units):
    check(f"{under(u)}: would update GC3-1.6.8 -> GC3-1.6.9" in run.stdout, f"check run plans {u}")
    status, log = sim_ask(f"{i} status"), sim_ask(f"{i} log")
    check(status["state"] == "Firmware" and status["version"] == "1.6.8" and log["syncs"] == "0"
          and log["writes"] == "0", f"{u} untouched by --check: {status['state']} {status['version']} {log}")
check(not os.path.exists(under("reports")), "check run fetched nothing")

# The real run, with cell-b's second unit refusing its 100th write.
sim_ask(f"{units.index('b1')} fault rom-nack-write 100")
run, recap, fatal = play()
check(run.returncode == 2 and recap == {"cell-a": 0, "cell-b": 1, "cell-c": 1}, f"update run: {recap}")
for i, u in enumerate(units):
    status = sim_ask(f"{i} status")
    check((status["version"] == "1.6.9" and status["state"] == "Firmware") == (u != "b1"),
          f"{u} after the run: {status['state']} {status['version']}")
reports = {cell: {os.path.basename(line["port"]): line for line in map(json.loads, open(under(f"reports/{cell}.jsonl")))}
           for cell in cells}
results = {u: r["result"] for cell in cells for u, r in reports[cell].items()}
check(results == {"a0": "updated", "a1": "updated", "b0": "updated", "b1": "failed"}, f"reports: {results}")
check(all(r["version_after"] == "GC3-1.6.9" for r in reports["cell-a"].values()), f"cell-a: {reports['cell-a']}")
# Cells go at their own pace: cell-c, with nothing to update, is done before cell-a's units end.
ends = [datetime.fromisoformat(r["time"].replace("Z", "+00:00")).timestamp() for r in reports["cell-a"].values()]
check(os.path.getmtime(under("reports/cell-c.jsonl")) < min(ends or [0]), "cell-c did not wait for cell-a")
failed_lines = [json.loads(m) for m in fatal.get("cell-b", []) if m.startswith("{")]
check([line["port"] for line in failed_lines] == [under("b1")], f"cell-b's message names b1 alone: {fatal}")
check(fatal.get("cell-c") == ["no gripper found on cell-c"], "cell-c says it has no gripper")
check("3 hosts, 2 failed; units: 3 updated, 0 up to date, 0 not updated, 1 failed" in run.stdout, "fleet summary")

# Every cell of the run failing must not cost the summary.
run, recap, fatal = play("--limit", "cell-c")
check(run.returncode == 2 and recap == {"cell-c": 1}, f"cell-c alone: {recap}")
check("1 hosts, 1 failed; units: 0 updated, 0 up to date, 0 not updated, 0 failed" in run.stdout, "cell-c's summary")

sim.stdin.close()
sim.wait(10)
sys.exit(1 if failures else 0)
