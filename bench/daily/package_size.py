#!/usr/bin/python3
"""The disk space a daily run needs on a server: each Debian package's own
Installed-Size and that of its dependency closure (every package that
installing it pulls in, Recommends and Suggests left out), summed from the
package database. A .deb file counts its own Installed-Size plus the closure
of the packages its Depends names; a package name counts its closure,
itself included.

usage: package_size.py DEB_OR_PACKAGE...
  e.g. package_size.py build/package/quilbex-cli_*.deb python3-requests"""
import re
import subprocess
import sys

SKIP = ["--no-recommends", "--no-suggests", "--no-conflicts", "--no-breaks", "--no-replaces", "--no-enhances"]


def output(argv):
    return subprocess.run(argv, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout


def closure(names):
    """The real packages that installing `names` brings in, the names included.
    Virtual names (shown as <name>) resolve to the packages listed under them."""
    found = set()
    for line in output(["apt-cache", "depends", "--recurse"] + SKIP + sorted(names)).splitlines():
        if line and not line[0].isspace() and not line.startswith("<"):
            found.add(line.split(":")[0] if line.endswith(":i386") else line)
    return found


def installed_size(name):
    """KiB, from the installed copy if there is one, else from the candidate."""
    size = output(["dpkg-query", "-W", "-f", "${db:Status-Abbrev} ${Installed-Size}", name]).split()
    if len(size) == 2 and size[0] == "ii" and size[1].isdigit():
        return int(size[1])
    match = re.search(r"^Installed-Size: (\d+)", output(["apt-cache", "show", "--no-all-versions", name]), re.M)
    if not match:
        sys.exit("no Installed-Size for %s" % name)
    return int(match.group(1))


def deb_fields(path):
    """The package's name, its own Installed-Size and the names its Depends
    lists (the first of each alternative)."""
    fields = output(["dpkg-deb", "-f", path, "Package", "Installed-Size", "Depends"])
    values = dict(re.findall(r"^([\w-]+): (.*)$", fields, re.M))
    depends = {group.split("|")[0].split()[0] for group in values.get("Depends", "").split(",") if group.strip()}
    return values["Package"], int(values["Installed-Size"]), depends


def deb_figures(path):
    name, own, depends = deb_fields(path)
    total, count = own, 1
    # A package of the same build (quilbex on quilbex-cli) is not in the
    # archive: its .deb beside this one counts, with what it depends on.
    for local in sorted(n for n in depends if not output(["apt-cache", "show", "--no-all-versions", n]).strip()):
        sibling = re.sub(r"[^/_]+_([^/]+)$", local + "_\\1", path)
        _, local_own, local_depends = deb_fields(sibling)
        depends = (depends - {local}) | local_depends
        total, count = total + local_own, count + 1
    deps = closure(depends)
    return name, own, total + sum(installed_size(n) for n in deps), count + len(deps)


def main():
    print("%-20s %12s %14s %9s" % ("package", "own (KiB)", "closure (KiB)", "packages"))
    for argument in sys.argv[1:]:
        if argument.endswith(".deb"):
            name, own, total, count = deb_figures(argument)
        else:
            deps = closure({argument})
            name, own, total, count = argument, installed_size(argument), sum(installed_size(n) for n in deps), len(deps)
        print("%-20s %12d %14d %9d" % (name, own, total, count))


if __name__ == "__main__":
    main()
