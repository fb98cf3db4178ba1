#!/usr/bin/env python3
"""Rolls a release out with contrib/ansible/update-grippers.yml to three local "cells" (canary cell-a, then
cell-b and cell-c in one batch), each with its own simulated grippers and its own dpkg root, from an older
korvane-flash package (cell-c runs a newer one, which stays). The canary's a0 fails mid-write: the rollout stops
there. Then check mode, the full rollout, check mode again and a second run, which changes nothing."""
import csv, json, os, re, shutil, struct, subprocess, sys, time

playbook, flash, sim_program, work = sys.argv[1:5]
if not shutil.which("ansible-playbook") or not shutil.which("dpkg-deb"):
    print("FAIL: ansible-playbook or dpkg-deb not found (scripts/packages.sh installs ansible-core)")
    sys.exit(1)

shutil.rmtree(work, ignore_errors=True)
under = lambda *names: os.path.join(work, *names)
cells = {"cell-a": ["a0", "a1"], "cell-b": ["b0", "b1"], "cell-c": ["c0"]}
units = [u for c in cells.values() for u in c]
release = re.match(r"korvane-flash (\S+)", subprocess.check_output([flash, "--version"], text=True))[1]
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)


# The cells are this machine: the dpkg the role's apt module calls installs each cell's package into a root of
# its own, beside the .deb the role shipped there.
os.makedirs(under("bin"))
with open(under("bin", "dpkg"), "w") as f:
    f.write('#!/bin/sh\nfor a; do case $a in *.deb) root=$(dirname "$a")/root;; esac; done\n'
            'exec /usr/bin/dpkg ${root:+--root="$root" --force-script-chrootless --force-not-root} "$@"\n')
os.chmod(under("bin", "dpkg"), 0o755)


def package(version, program):
    tree = under("debs", version)
    if os.path.exists(tree):
        return tree + ".deb"
    os.makedirs(tree + "/DEBIAN")
    os.makedirs(tree + "/usr/bin")
    arch = subprocess.check_output(["dpkg", "--print-architecture"], text=True).strip()
    with open(tree + "/DEBIAN/control", "w") as f:
        f.write(f"Package: korvane-flash\nVersion: {version}\nArchitecture: {arch}\n"
                "Maintainer: Korvane <upgrader@korvane.example>\nDescription: korvane-flash for the fleet test\n")
    if program:
        shutil.copy(program, tree + "/usr/bin/korvane-flash")
    else:  # another release: says its own version, otherwise it is this build's program, which may be made to
        # crash in the middle of a report line (FLEET_CUT names the report)
        with open(tree + "/usr/bin/korvane-flash", "w") as f:
            f.write(f'#!/bin/sh\n[ "$1" = --version ] && exec echo "korvane-flash {version}"\n{flash} "$@"\nrc=$?\n'
                    '[ -z "$FLEET_CUT" ] || printf \'{"record":1,"time":"20\' >> "$FLEET_CUT"\nexit $rc\n')
        os.chmod(tree + "/usr/bin/korvane-flash", 0o755)
    deb = under("debs", f"korvane-flash_{version}_{arch}.deb")
    subprocess.run(["dpkg-deb", "-Znone", "--root-owner-group", "--build", tree, deb], check=True, capture_output=True)
    os.symlink(deb, tree + ".deb")
    return deb


new_deb = package(release, flash)
runs = lambda cell: subprocess.run([under(cell, "root/usr/bin/korvane-flash"), "--version"], capture_output=True,
                                   text=True).stdout.split("\n")[0]
for cell, version in {"cell-a": "1.1.0", "cell-b": "1.1.0", "cell-c": "99.0.0"}.items():
    os.makedirs(under(cell, "root/var/lib/dpkg/info"))
    open(under(cell, "root/var/lib/dpkg/status"), "w").close()
    old = package(version, None)
    subprocess.run([under("bin", "dpkg"), "-i", shutil.copy(old, under(cell))], check=True, capture_output=True)

sim = subprocess.Popen([sim_program] + [a for u in units for a in ("-g", "GC,version=1.6.8,publish=" + under(u))],
                       stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
for line in sim.stdout:
    if line.strip() == "ready":
        break
else:
    sys.exit("the simulator ended before it was ready")


def sim_ask(unit, command):
    sim.stdin.write(f"{units.index(unit)} {command}\n")
    sim.stdin.flush()
    return dict(kv.split("=", 1) for kv in sim.stdout.readline().split()[1:] if "=" in kv)


def grippers():
    return {u: tuple(s[k] for k in ("state", "version", "host_opens")) + (sim_ask(u, "log")["writes"],)
            for u, s in ((u, sim_ask(u, "status")) for u in units)}


with open(under("inventory.ini"), "w") as inv:
    inv.write("[robot_cells]\n")
    # cell-a keeps its report where the role puts it by default, in the home of the cell's user (HOME below).
    for cell, own in cells.items():
        inv.write(f"{cell} korvane_flash_work_dir={under(cell)} korvane_flash_extra_ports={':'.join(map(under, own))}"
                  + (f" korvane_flash_report={under(cell, 'report.jsonl')}\n" if cell != "cell-a" else "\n"))
    # cell-b names one port, as text (a group's variables in INI): its other gripper is never opened, in check
    # mode neither.
    inv.write(f"\n[bench_b]\ncell-b\n\n[bench_b:vars]\nkorvane_flash_ports={under('b0')}\n")
    inv.write(f"\n[robot_cells:vars]\nansible_connection=local\nansible_become=false\n"
              f"ansible_python_interpreter=auto_silent\nkorvane_flash_deb={new_deb}\nkorvane_flash_type=GC3\n"
              "korvane_flash_program={{ korvane_flash_work_dir }}/root/usr/bin/korvane-flash\n"
              f"korvane_flash_history_dir={under('history')}\n")


def play(*extra, **more_env):
    # Ansible's controller looks for its workers' results every millisecond by default: a twentieth of a second
    # is soon enough here, and leaves the machine to the other tests.
    env = dict(os.environ, **more_env, HOME=under("home"), ANSIBLE_STDOUT_CALLBACK="fleet_json",
               ANSIBLE_CALLBACK_PLUGINS=os.path.join(os.path.dirname(os.path.abspath(__file__)), "callback"),
               PATH=under("bin") + ":" + os.environ["PATH"],
               ANSIBLE_LOCAL_TEMP=under("tmp"), ANSIBLE_REMOTE_TEMP=under("tmp"), ANSIBLE_RETRY_FILES_ENABLED="0", ANSIBLE_PIPELINING="1",
               ANSIBLE_INTERNAL_POLL_INTERVAL="0.05")
    started = time.monotonic()
    run = subprocess.run(["ansible-playbook", "-i", under("inventory.ini"), playbook,
                          "-e", "korvane_flash_batch_size=2", *extra], cwd=work, env=env, capture_output=True, text=True,
                         timeout=300)
    out = json.loads(run.stdout[run.stdout.find("{"):] or "{}")
    results = [(t["task"]["name"], host, r) for p in out.get("plays", []) for t in p["tasks"] for host, r in
               t["hosts"].items()]
    fleet = ([r["msg"] for name, _, r in results if name.endswith("Show the fleet")] or [[]])[-1]
    plans = {h: {os.path.basename(u["port"]): u["action"] for u in r["ansible_facts"]["_korvane_flash_plan"]}
             for name, h, r in results if name.endswith("Keep the plan") and "ansible_facts" in r}
    print(f"ansible-playbook {' '.join(extra)}: {time.monotonic() - started:.1f} s", *fleet, run.stderr[-3000:], sep="\n")
    for name, host, r in results:
        if r.get("failed") and not r.get("ignore_errors"):
            print(f"{host}: {name}: {r.get('msg')}")
    return run.returncode, out.get("stats", {}), fleet, plans


def history():
    return {c: [json.loads(line) for line in open(under("history", c + ".jsonl"))]
            for c in cells if os.path.exists(under("history", c + ".jsonl"))}


def table():
    return {row["cell"] + ":" + os.path.basename(row["port"]): row for row in csv.DictReader(open(under("history/fleet.csv")))}


outcome = lambda lines: {os.path.basename(line["port"]): line["result"] for line in lines}
# A plan's words are its run's; an older korvane-flash on a cell says "up to date" and "not updated".
agrees = {"update": "updated", "up-to-date": "up-to-date", "refused": "refused", "up to date": "up-to-date",
          "not updated": "refused"}

# The canary's a0 refuses its 100th write: the rollout stops after cell-a.
sim_ask("a0", "fault rom-nack-write 100")
rc, stats, fleet, _ = play()
now = grippers()
check(rc != 0 and set(stats) == {"cell-a"} and stats["cell-a"]["failures"] > 0, f"canary run: {rc} {stats}")
check(fleet[:1] and fleet[0].startswith("3 cells, 1 failed, 2 not reached: cell-b, cell-c"), f"canary summary {fleet}")
check([runs(c) for c in cells] == [f"korvane-flash {release}", "korvane-flash 1.1.0", "korvane-flash 99.0.0"],
      f"packages after the canary: {[runs(c) for c in cells]}")
check(now["a0"][0] == "Rom" and now["a1"][:2] == ("Firmware", "1.6.9"), f"canary's grippers: {now}")
check(all(now[u][1:3] == ("1.6.8", "0") for u in ("b0", "b1", "c0")), f"grippers not reached were opened: {now}")
check({c: outcome(lines) for c, lines in history().items()} == {"cell-a": {"a0": "failed", "a1": "updated"}},
      f"history after the canary: {history()}")
report_a = under("home/.local/share/Korvane/report.jsonl")
check(os.path.exists(report_a) and len(open(report_a).readlines()) == 2, "cell-a's report is not in its user's home")
check(table().get("cell-b:", {}).get("result") == table().get("cell-c:", {}).get("result") == "not reached",
      f"fleet table: {table()}")

# Check mode: the program's own plan where the cell runs the release, nothing written, no byte to a gripper.
sim_ask("a0", "clear-faults")
kept = {name: open(under("history", name), "rb").read() for name in os.listdir(under("history"))}
rc, stats, fleet, plans = play("--check", "-e", "korvane_flash_canary=3")
check(rc == 0 and plans == {"cell-a": {"a0": "update", "a1": "up-to-date"}, "cell-c": {"c0": "update"}}
      and all(s["changed"] > 0 for s in stats.values()), f"check before the rollout: {rc} {plans} {stats}")
check(any(line.startswith(f"cell-b: korvane-flash {release} would be installed (1.1.0 now)") for line in fleet),
      f"check names cell-b's package: {fleet}")
after = grippers()
check({u: g[:2] + g[3:] for u, g in after.items()} == {u: g[:2] + g[3:] for u, g in now.items()} and after["b1"][2] == "0"
      and runs("cell-b") == "korvane-flash 1.1.0", f"check mode changed a cell or opened b1: {after}")
check({name: open(under("history", name), "rb").read() for name in os.listdir(under("history"))} == kept,
      "check mode wrote on the controller")

# cell-c's program dies in the middle of a report line after c0's: the complete line still counts.
before = {c: len(lines) for c, lines in history().items()}
rc, stats, fleet, _ = play(FLEET_CUT=under("cell-c", "report.jsonl"))
lines = {c: lines[before.get(c, 0):] for c, lines in history().items()}
now = grippers()
check(rc == 0 and fleet[:1] and fleet[0].startswith("3 cells, 0 failed, 0 not reached"), f"rollout: {rc} {fleet}")
check(all(s["changed"] > 0 and s["failures"] == 0 for s in stats.values()) and len(stats) == 3, f"rollout: {stats}")
check([runs(c) for c in cells] == [f"korvane-flash {release}"] * 2 + ["korvane-flash 99.0.0"], "packages after it")
check(all(now[u][:2] == ("Firmware", "1.6.9") for u in units if u != "b1") and now["b1"][1:3] == ("1.6.8", "0"),
      f"grippers after the rollout: {now}")
check(outcome(lines["cell-a"]) == {u: agrees[a] for u, a in plans["cell-a"].items()}
      and outcome(lines["cell-c"]) == {u: agrees[a] for u, a in plans["cell-c"].items()},
      f"the real run did what check mode said: {plans} {history()}")
check(max(line["time"] for line in lines["cell-a"]) < min(line["time"] for c in ("cell-b", "cell-c")
                                                                for line in lines[c]), "the canary went first")

rc, stats, fleet, plans = play("--check", "-e", "korvane_flash_canary=3")
check(rc == 0 and {c: {u: agrees[a] for u, a in p.items()} for c, p in plans.items()}
      == {c: {u: "up-to-date" for u in own if u != "b1"} for c, own in cells.items()}
      and all(s["changed"] == 0 for s in stats.values()), f"check after the rollout: {plans} {stats}")
rc, stats, fleet, _ = play("-e", "korvane_flash_canary=3")
check(rc == 0 and len(stats) == 3 and all(s["changed"] == 0 for s in stats.values()), f"second run changed: {stats}")
check({c: len(lines) for c, lines in history().items()} == {"cell-a": 6, "cell-b": 2, "cell-c": 2}, "history kept")
check(all(r["result"] == "up-to-date" and r["version_before"] == r["version_after"] == "GC3-1.6.9"
          for r in table().values()) and len(table()) == 4, f"fleet table after the second run: {table()}")

# The canary rolls its unit back through the role alone (--tags update): an older image, forced.
older = under("GC3-1.6.8.bin")
with open(older, "wb") as f:  # the simulator's stand-in: a vector table into the image, then its version record
    f.write((struct.pack("<II", 0x20020000, 0x08080401) + struct.pack("<I", 0x08080411) * 96).ljust(0x200, b"\0")
            + b"KVFWGC3\x01\x06\x08".ljust(0xe00, b"\0"))
rc, stats, fleet, _ = play("--limit", "cell-c", "--tags", "update", "-e",
                           json.dumps({"korvane_flash_force": True, "korvane_flash_images": [older]}))
check(rc == 0 and grippers()["c0"][:2] == ("Firmware", "1.6.8") and "cell-c: ok - korvane-flash 99.0.0" in " ".join(fleet),
      f"rollback: {rc} {grippers()['c0']} {fleet}")

# No gripper on a cell whose program speaks French (ssh forwards LANGUAGE): the reason is still given.
rc, stats, fleet, _ = play("--limit", "cell-c", "-e", "korvane_flash_extra_ports=", LANGUAGE="fr")
check(rc != 0 and any(line.startswith("cell-c: FAILED: no gripper found") for line in fleet), f"no gripper: {fleet}")

# A misspelt variable stops the cell before anything is done, and before any plan in check mode.
rc, stats, fleet, _ = play("--limit", "cell-c", "-e", "korvane_flash_imgaes=[]")
check(rc != 0 and stats["cell-c"]["failures"] == 1 and "cell-c: FAILED before updating" in " ".join(fleet),
      f"misspelt variable: {stats} {fleet}")
rc, stats, fleet, _ = play("--check", "--limit", "cell-c", "-e", "korvane_flash_imgaes=[]")
check(rc != 0 and "cell-c: korvane-flash ?: FAILED before planning" in fleet, f"misspelt variable, check: {fleet}")

sim.stdin.close()
sim.wait(10)
sys.exit(1 if failures else 0)
