#!/bin/sh
# Installs the build under /usr into a temporary DESTDIR and checks the desktop
# integration in that tree: the desktop entry and the AppStream file validate, the entry
# names an installed program and icon, database files resolve to their MIME types by name
# and by content against the tree's own MIME database, and the manual pages render.
# Needs no root and leaves the system's MIME database alone.
# Usage: install_tree_test.sh CMAKE BUILD_DIR
set -u
cmake=$1
build=$2

missing=
for tool in desktop-file-validate appstreamcli update-mime-database xdg-mime mimetype man; do
    command -v "$tool" >/dev/null 2>&1 || missing="$missing $tool"
done
# Missing tools fail the run in CI and skip it elsewhere.
if [ -n "$missing" ]; then
    echo "missing tools:$missing (./test.sh installs them)" >&2
    [ "${CI:-}" = true ] && exit 1
    exit 77
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
status=0
fail() {
    echo "FAIL: $*" >&2
    status=1
}

root=$tmp/root
share=$root/usr/share
if ! DESTDIR=$root "$cmake" --install "$build" --prefix /usr >"$tmp/install.log" 2>&1; then
    cat "$tmp/install.log" >&2
    fail "install into DESTDIR"
    exit 1
fi

# Desktop entry: valid, starts an installed program, shows an installed icon, declares
# the database type.
entry=$(ls "$share"/applications/*.desktop 2>/dev/null | head -n 1)
[ -n "$entry" ] || fail "no desktop entry in share/applications"
if [ -n "$entry" ]; then
    desktop-file-validate "$entry" || fail "desktop-file-validate $entry"
    program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
    [ -x "$root/usr/bin/$program" ] || fail "Exec=$program is not installed in bin"
    icon=$(sed -n 's/^Icon=//p' "$entry")
    [ -f "$share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "icon $icon is not installed"
    grep -q '^MimeType=.*application/x-picdex-database;' "$entry" ||
        fail "desktop entry does not open application/x-picdex-database"
fi

# The user manual that Help shows, where the program looks for it (../share/picdex/).
[ -f "$share/picdex/manual/index.html" ] || fail "the user manual is not installed in share/picdex"

for file in "$share"/metainfo/*.xml; do
    appstreamcli validate --no-net "$file" >"$tmp/appstream.log" 2>&1 ||
        { cat "$tmp/appstream.log" >&2; fail "appstreamcli validate $file"; }
done

# MIME types, resolved with only the installed tree's database (built here, not in the
# system): a name with the upper-case extension, and a real database made by the installed
# tool, renamed so that only its header's format string can identify its two files.
update-mime-database "$share/mime" >/dev/null 2>&1 || fail "update-mime-database on the tree"
: >"$tmp/x.PXM"
"$root/usr/bin/picdex-cli" create "$tmp/db.PXM" >/dev/null || fail "picdex-cli create"
mv "$tmp/db.PXM" "$tmp/renamed-main" && mv "$tmp/db.PXI" "$tmp/renamed-index"
while read -r file expected; do
    got=$(env XDG_DATA_DIRS="$share" XDG_DATA_HOME="$tmp/home" XDG_CURRENT_DESKTOP=X-Generic \
        xdg-mime query filetype "$tmp/$file" 2>&1)
    [ "$got" = "$expected" ] || fail "xdg-mime: $file is '$got', expected $expected"
done <<LIST
x.PXM application/x-picdex-database
renamed-main application/x-picdex-database
renamed-index application/x-picdex-index
LIST

# Manual pages: render without warnings and start with their NAME line.
for page in picdex picdex-cli; do
    file=$(ls "$share/man/man1/$page.1"* 2>/dev/null | head -n 1)
    [ -n "$file" ] || { fail "manual page $page(1) is not installed"; continue; }
    text=$(MANWIDTH=80 MANPAGER=cat man --warnings -l "$file" 2>"$tmp/man.log")
    [ -s "$tmp/man.log" ] && { cat "$tmp/man.log" >&2; fail "man -l $file warns"; }
    printf '%s\n' "$text" | grep -q "^ *$page - " || fail "man -l $file: no NAME line"
done

[ $status -eq 0 ] && echo "installed tree checked"
exit $status
