#!/usr/bin/env python3
"""Fails when a text of korvane-flash's help (the whole help and every command's, in English) is not in its manual
page as man renders it: both are made from the same rows, so a page made from other rows, or a row one of them
leaves out, shows here.
Usage: help_in_man.py KORVANE_FLASH RENDERED_PAGE"""
import os, re, subprocess, sys

flash, page = sys.argv[1], open(sys.argv[2], encoding="utf-8").read()
flat = lambda text: " ".join(text.replace("\u2010", "-").replace("\u2019", "'").split())
page = flat(page)


def run(*arguments):
    done = subprocess.run([flash, *arguments], capture_output=True, text=True, env=dict(os.environ, LANGUAGE="en"))
    if done.returncode != 0:
        sys.exit(f"FAIL: korvane-flash {' '.join(arguments)}: exit status {done.returncode} {done.stderr}")
    return done.stdout


# A section's entries, each "  NAME  text" (options) or "  NAME\n      text" (the others).
def entries(help, section):
    body = help.split("\n" + section + "\n", 1)[1].split("\n\n")[0] if "\n" + section + "\n" in help else ""
    for entry in re.split(r"\n  (?=\S)", "\n" + body)[1:]:
        yield entry.partition("  " if section == "Options:" else "\n")[::2]


whole = run("--help")
texts = [text for section in ("Environment:", "Files:", "Exit status:") for _, text in entries(whole, section)]
for command in re.findall(r"^  (\w+) ", whole.split("Commands:\n")[1].split("\n\n")[0], re.M):
    help = run("help", command)
    texts.append(help.split("\n")[1])
    texts += [part.replace("<", "").replace(">", "") for option in entries(help, "Options:")
              if not option[0].startswith(("-h,", "--help")) for part in option]
    texts += [part for example in entries(help, "Examples:") for part in example]
missing = [text for text in map(flat, texts) if text not in page]
for text in missing:
    print("FAIL: the manual page lacks:", text)
sys.exit(1 if missing or len(texts) < 20 else 0)
