#!/usr/bin/env python3
"""Runs scripts/setup-debian.sh with stand-ins in front of every command that
would change the machine or ask the network, and checks what it asked for and
what it said.

    setup_script_test.py REPO_DIR

The stand-ins (sudo, apt-get, dpkg, dpkg-query, locale, locale-gen) record
their arguments. dpkg-query reports every package missing but a few, so the
whole path runs whatever this machine has; apt-get "installs" by noting the
package as installed. Each case says which apt-get calls fail.
"""
import os
import pathlib
import subprocess
import sys
import tempfile

STAND_IN = r"""#!/usr/bin/env bash
echo "$(basename "$0") $*" >>"$FAKE/calls"
case "$(basename "$0")" in
  sudo) exec "$@" ;;
  locale) exit 0 ;;
  locale-gen) exit 0 ;;
  dpkg)
    case "$1" in
      --print-foreign-architectures) cat "$FAKE/arches" 2>/dev/null ;;
      --add-architecture) echo "$2" >>"$FAKE/arches" ;;
      --remove-architecture) sed -i "/^$2\$/d" "$FAKE/arches" ;;
    esac
    exit 0 ;;
  dpkg-query)
    pkg="${@: -1}"
    if grep -qxF "$pkg" "$FAKE/installed"; then printf 'install ok installed'; exit 0; fi
    exit 1 ;;
  apt-get)
    if [ "$1" = update ]; then
      if [ -n "$FAIL_UPDATE" ]; then
        echo "E: Failed to fetch http://deb.example/debian/dists/x/main/binary-i386/Packages.xz  File has unexpected size (1 != 2). Mirror sync in progress? [IP: 127.0.0.1 80]"
        exit 100
      fi
      exit 0
    fi
    if [ "$1" = source ]; then mkdir -p miniupnpc-2.2.4; exit 0; fi
    shift
    pkgs=()
    for a in "$@"; do case "$a" in -*) ;; *) pkgs+=("$a") ;; esac; done
    for p in "${pkgs[@]}"; do
      if [[ "$p" == *"$FAIL_INSTALL"* ]]; then
        echo "E: Unable to correct problems, you have held broken packages."
        exit 100
      fi
    done
    printf '%s\n' "${pkgs[@]}" >>"$FAKE/installed"
    exit 0 ;;
esac
"""

ALREADY_INSTALLED = ["cmake", "g++", "python3"]

# name, fails of update, packages whose install fails (a substring; "" none),
# whether this machine runs 32-bit programs, expected exit status, expected
# lines of output, expected wine32 state (prefix).
CASES = [
    ("mirror in mid-sync: 32-bit Wine told, then success", True, ":i386", "1", 0,
     ["apt-get update failed", "32-bit Wine could not be installed",
      "miniupnpc's source could not be fetched", "prerequisites ready"],
     "failed: Failed to fetch .../binary-i386/Packages.xz File has unexpected size"),
    ("a good mirror: everything installed", False, "<none>", "1", 0,
     ["prerequisites ready"], "installed"),
    ("a machine that refuses 32-bit programs skips step 2", False, "<none>", "0", 0,
     ["prerequisites ready"], "skipped"),
    ("no network: one line naming what could not be had, no success", True, "", "1", 1,
     ["apt-get update failed", "could not install"], None),
]


def run_case(repo, name, fail_update, fail_install, runs32, want_status, want_lines, want_wine32):
    problems = []
    with tempfile.TemporaryDirectory() as tmp:
        fake = pathlib.Path(tmp)
        bin_dir = fake / "bin"
        bin_dir.mkdir()
        for tool in ["sudo", "apt-get", "dpkg", "dpkg-query", "locale", "locale-gen"]:
            path = bin_dir / tool
            path.write_text(STAND_IN)
            path.chmod(0o755)
        (fake / "installed").write_text("".join(p + "\n" for p in ALREADY_INSTALLED))
        (fake / "wine").mkdir()
        env = dict(os.environ)
        env.update({
            "PATH": f"{bin_dir}:{env['PATH']}",
            "FAKE": str(fake),
            "FAIL_UPDATE": "1" if fail_update else "",
            "FAIL_INSTALL": fail_install,
            "KVEL_ASSUME_RUNS_32BIT": runs32,
            "KVEL_SETUP_STATE": str(fake / "state"),
            "KVEL_LOCALE_GEN_FILE": str(fake / "locale.gen"),
            "KVEL_WINE_DIR": str(fake / "wine"),
            "KVEL_APT_UPDATE_PAUSE": "0",
            "KVEL_THIRD_PARTY": str(fake / "third_party"),
        })
        result = subprocess.run(["bash", str(repo / "scripts/setup-debian.sh"), "--with-browser"],
                                env=env, capture_output=True, text=True, timeout=120)
        lines = (result.stdout + result.stderr).splitlines()
        calls = (fake / "calls").read_text().splitlines()
        if result.returncode != want_status:
            problems.append(f"exit status {result.returncode}, expected {want_status}")
        if len(lines) != len(want_lines) or any(w not in l for w, l in zip(want_lines, lines)):
            problems.append(f"said {lines}, expected lines with {want_lines}")
        installs = [c for c in calls if c.startswith("apt-get install")]
        if installs and ":i386" in installs[0]:
            problems.append(f"step 1 asks for an i386 package: {installs[0]}")
        for c in installs:
            asked = c.split()
            for p in ALREADY_INSTALLED:
                if p in asked:
                    problems.append(f"installs {p}, which was installed: {c}")
        locale_gen = fake / "locale.gen"
        if want_status == 0 and "pl_PL.UTF-8" not in (locale_gen.read_text() if locale_gen.exists() else ""):
            problems.append("the Polish locale is not asked for")
        added = any(c.startswith("dpkg --add-architecture") for c in calls)
        if runs32 == "0" and added:
            problems.append("adds the i386 architecture on a machine that refuses 32-bit programs")
        state = (fake / "state").read_text() if (fake / "state").exists() else ""
        if want_wine32 is not None and f"wine32={want_wine32}" not in state:
            problems.append(f"state file {state!r}, expected wine32={want_wine32}...")
        source_list = fake / "third_party/apt/sources.list"
        if want_status == 0 and not fail_update and "upnp-source=fetched" not in state:
            problems.append(f"state file {state!r}, expected upnp-source=fetched")
        if any("source" in c.split()[:2] and "Dir::State::Lists=" not in c for c in calls):
            problems.append("apt-get source runs without the set-up's own lists")
        if fail_update and want_status == 0 and "deb-src" not in source_list.read_text():
            problems.append("the set-up's own source list has no deb-src line")
        if want_wine32 and want_wine32.startswith("failed") and (fake / "arches").read_text().strip():
            problems.append("the i386 architecture is left behind with nothing installed from it")
    return [f"{name}: {p}" for p in problems]


def main():
    repo = pathlib.Path(sys.argv[1]).resolve()
    problems = []
    for case in CASES:
        problems += run_case(repo, *case)
    for p in problems:
        print(p)
    if not problems:
        print(f"{len(CASES)} set-up cases hold")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
