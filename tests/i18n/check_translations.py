#!/usr/bin/env python3
"""Fails when a text of the sources has no finished translation in a .ts file,
when a translation drops or adds a placeholder, spells a plural by hand
("unit(s)") or uses a word its language's glossary rules out, or when
korvane-flash does not speak the language asked for.
Usage: check_translations.py LUPDATE SOURCE_DIR DIR,DIR... KORVANE_FLASH TS_FILE... """
import json, os, re, shutil, subprocess, sys, tempfile
import xml.etree.ElementTree as ET

lupdate, source_dir, flash, ts_files = sys.argv[1], sys.argv[2], sys.argv[4], sys.argv[5:]
translated_dirs = sys.argv[3].split(",")
problems = []
placeholders = lambda text: sorted(re.findall(r"%\d+", text))
# "unit(s)", "Gerät(e)", "écrite(s)": a count's words belong in a %n plural.
hand_plural = re.compile(r"[^\W\d_]\((?:s|e|n|en|es|x)\)")

def glossary(ts):
    """The glossary beside a .ts file: (English term, words its translation may not use)."""
    path = re.sub(r"korvane_(\w+)\.ts$", r"glossary_\1.md", ts)
    rows = [line.split("|")[1:-1] for line in open(path, encoding="utf-8") if line.startswith("|")]
    return [(re.compile(r"\b%s(?:s|es|'s)?\b" % re.escape(cells[0].strip()), re.I),
             [word.strip() for word in cells[2].split(",") if word.strip()]) for cells in rows[2:]]

with tempfile.TemporaryDirectory() as tmp:
    for ts in ts_files:
        # The sources' texts merged into a copy: what the sources have and the
        # file lacks comes out unfinished.
        copy = os.path.join(tmp, os.path.basename(ts))
        shutil.copy(ts, copy)
        # English takes from its file only the forms of its plurals.
        english = ts.endswith("_en.ts")
        subprocess.run([lupdate, "-silent", "-no-obsolete", "-locations", "none", *(["-pluralonly"] if english else []),
                        *translated_dirs, "-ts", copy], cwd=source_dir, check=True)
        terms = [] if english else glossary(ts)
        for context in ET.parse(copy).getroot().iter("context"):
            for message in context.iter("message"):
                source = "".join(message.find("source").itertext())
                translation = message.find("translation")
                # A plural has a form per number, each with the source's placeholders.
                forms = ["".join(f.itertext()) for f in translation.iter("numerusform")] or ["".join(translation.itertext())]
                where = "%s: %s: %r" % (os.path.basename(ts), context.findtext("name"), source[:60])
                if translation.get("type") == "unfinished" or not all(text.strip() for text in forms):
                    problems.append(where + " has no translation")
                for text in forms:
                    if placeholders(source) != placeholders(text):
                        problems.append(where + " placeholders %s became %s" % (placeholders(source), placeholders(text)))
                    if hand_plural.search(text):
                        problems.append(where + " spells a plural by hand: %r" % text)
                    for term, banned in terms:
                        if term.search(source):
                            problems += [where + " says %r against the glossary (%s)" % (word, term.pattern)
                                         for word in banned if re.search(r"(?<!\w)%s(?!\w)" % re.escape(word), text, re.I)]
                # Where the English itself is read, a count has its %n.
                if hand_plural.search(source) and message.get("numerus") != "yes":
                    problems.append(where + " spells a plural by hand in the source")

def translation_of(ts, source):
    for message in ET.parse(ts).getroot().iter("message"):
        if message.findtext("source") == source:
            return message.findtext("translation")

# The language asked for on the command line or through LANGUAGE reaches the
# program's messages; with neither, English.
asked = source_dir + "/resources/translations/korvane_%s.ts"
for lang, argument, environment in (("fr", ["--lang", "fr"], {}), ("de", [], {"LANGUAGE": "de:fr"}),
                                    ("en", [], {"LANGUAGE": "en"})):
    env = dict(os.environ, LC_ALL="C.UTF-8", **environment)
    err = subprocess.run([flash, *argument, "frobnicate"], env=env, capture_output=True, text=True).stderr
    expected = "unknown command '%1'"
    if lang != "en":
        expected = translation_of(asked % lang, expected)
    if expected.replace("%1", "frobnicate") not in err:
        problems.append("korvane-flash in %s said %r" % (lang, err))

# A unit refused in French: the terminal gives the reason in French, the
# report keeps it in English (a file that is no serial line is never updated).
with tempfile.TemporaryDirectory() as tmp:
    port, report = os.path.join(tmp, "port"), os.path.join(tmp, "report.jsonl")
    open(port, "w").close()
    env = dict(os.environ, LC_ALL="C.UTF-8", KORVANE_EXTRA_PORTS=port)
    out = subprocess.run([flash, "--lang", "fr", "update", "--report", report, port], env=env,
                         capture_output=True, text=True).stdout
    error = json.loads(open(report).read())["error"]
    shown = translation_of(asked % "fr", error)
    if not shown or shown == error or shown not in out:
        problems.append("a refusal in French: report %r, terminal %r" % (error, out))

print("\n".join(problems) or "every text translated")
sys.exit(1 if problems else 0)
