#!/usr/bin/env python3
"""Fails when a string literal of the engine holds words that xboard reads as
a failed engine start.

xboard drops an engine as soon as any line it prints contains one of these
texts, in any case, whatever the line means. Every text the engine prints is
a literal of its sources (or made of adjacent literals), so a scan of the
literals finds them all before any user meets one.

    message_words.py SOURCE_ROOT
"""
import pathlib
import re
import sys

WORDS = ["unknown host", "no remote directory", "not found", "no such file", "can't alloc", "permission denied"]
ENGINE_FOLDERS = ["board", "eval", "search", "interface", "book", "tablebases", "platform"]

# Comments, character constants and string literals, in the order the
# compiler sees them, so that quotes inside comments are not read as strings.
TOKEN = re.compile(
    r'//[^\n]*|/\*.*?\*/|R"([^(]*)\((.*?)\)\1"|"((?:\\.|[^"\\\n])*)"|\'(?:\\.|[^\'\\\n])*\'|(\s+)|(.)', re.S)


def Literals(text):
    """Yields (line, text) for each run of adjacent string literals."""
    run, line, pending_blank = None, 0, False
    for m in TOKEN.finditer(text):
        raw_body, plain_body, blank = m.group(2), m.group(3), m.group(4)
        if raw_body is not None or plain_body is not None:
            body = raw_body if raw_body is not None else plain_body.encode().decode("unicode_escape", "replace")
            if run is None:
                run, line = body, text.count("\n", 0, m.start()) + 1
            else:
                run += body
        elif blank is not None:
            continue
        elif m.group(0).startswith("//") or m.group(0).startswith("/*"):
            continue
        elif run is not None:
            yield line, run
            run = None
    if run is not None:
        yield line, run


def main():
    root = pathlib.Path(sys.argv[1])
    files = [p for folder in ENGINE_FOLDERS for p in sorted((root / folder).rglob("*")) if p.suffix in (".cpp", ".h")]
    if not files:
        print(f"no engine sources under {root}")
        return 1
    faults = 0
    for path in files:
        for line, literal in Literals(path.read_text(errors="replace")):
            folded = literal.lower().replace("\u2019", "'")
            for word in WORDS:
                if word in folded:
                    print(f"{path.relative_to(root)}:{line}: \"{literal.strip()}\" holds \"{word}\"")
                    faults += 1
    print(f"{len(files)} files scanned, {faults} literal(s) with a word xboard takes for a failed start")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
