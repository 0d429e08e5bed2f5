#!/usr/bin/env python3
"""Second opinion on the parser: runs `tvmail parse` over message files and compares the
subject, text body and attachment bytes with what Python's standard `email` package reads.

usage: compare_with_python.py TVMAIL FILE.eml...
Exits non-zero and prints every difference when any is found.
"""
import email
import email.policy
import hashlib
import json
import subprocess
import sys


def normalise(text):
    """Line ends and trailing blanks differ between parsers without changing the text."""
    lines = [line.rstrip() for line in text.replace("\r\n", "\n").split("\n")]
    return "\n".join(lines).strip()


def python_view(path):
    with open(path, "rb") as f:
        msg = email.message_from_binary_file(f, policy=email.policy.default)
    view = {"subject": str(msg["subject"] or ""), "text": "", "files": set(), "count": 0}
    # Beside an HTML body only the alternatives of the HTML are shown; any other unnamed text
    # part is kept as a file.
    has_html = msg.get_body(preferencelist=("html",)) is not None
    stack = [(msg, False)]
    while stack:
        part, in_alternative = stack.pop(0)
        kind = part.get_content_type()
        shown_text = kind == "text/html" or not has_html or in_alternative
        if kind == "message/rfc822" and part is not msg:
            view["count"] += 1  # kept whole as one file; its bytes are not compared
        elif part.is_multipart():
            inner = in_alternative or kind == "multipart/alternative"
            stack[0:0] = [(p, inner) for p in part.get_payload()]
        elif kind in ("text/plain", "text/html") and not part.get_filename() and shown_text:
            if kind == "text/plain" and not view["text"]:
                view["text"] = part.get_content()
        else:
            view["count"] += 1
            view["files"].add(hashlib.sha256(part.get_payload(decode=True) or b"").hexdigest())
    return view


def tvmail_view(record):
    files = record["attachments"] + record["inline"]
    return {"subject": record["subject"], "text": record["text"],
            "files": {f["sha256"] for f in files}, "count": len(files)}


def main():
    tvmail, paths = sys.argv[1], sys.argv[2:]
    out = subprocess.run([tvmail, "parse", *paths], check=True, capture_output=True)
    records = [json.loads(line) for line in out.stdout.decode("utf-8").splitlines()]
    failures = 0
    for path, record in zip(paths, records):
        ours, theirs = tvmail_view(record), python_view(path)
        for key in ("subject", "text"):
            if normalise(ours[key]) != normalise(theirs[key]):
                failures += 1
                print(f"{path}: {key} differs\n  tvmail: {ours[key]!r}\n  python: {theirs[key]!r}")
        if ours["count"] != theirs["count"] or not theirs["files"] <= ours["files"]:
            failures += 1
            print(f"{path}: attachment bytes differ")
    print(f"{len(records)} messages compared, {failures} differences")
    return 1 if failures or len(records) != len(paths) else 0


if __name__ == "__main__":
    sys.exit(main())
