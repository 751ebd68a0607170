"""Parses the replies of real FTP servers kept in tests/data/servers with
ftpls, offline, and checks every entry against what the listed tree held
(saved beside them by the live tests, see live_ftp_test.py).

usage: check_saved.py FTPLS FOLDER
"""
import glob
import json
import os
import subprocess
import sys

import live_tree


def main():
    ftpls, folder = sys.argv[1:3]
    failures, checked = [], 0
    for manifest in sorted(glob.glob(os.path.join(folder, "*.json"))):
        server = os.path.basename(manifest)[:-len(".json")]
        with open(manifest, encoding="utf-8") as f:
            tree = json.load(f)
        for command in ("LIST", "MLSD"):
            reply = os.path.join(folder, f"{server}-{command}.txt")
            if not os.path.exists(reply):
                continue
            out = subprocess.run([ftpls, "--json", f"--today={tree['today']}", reply],
                                 check=True, stdout=subprocess.PIPE).stdout
            entries = json.loads(out.decode("utf-8"))
            f, notes = live_tree.check(entries, tree["entries"], server, command, tree["today"])
            failures += [f"{server}: {x}" for x in f]
            for note in notes:
                print(f"{server}: note: {note}")
            checked += 1
    for line in failures:
        print("FAIL:", line)
    print(f"{checked} saved replies checked")
    return 1 if failures or checked == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
