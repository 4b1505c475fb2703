#!/usr/bin/env bash
# Checks what ships beside the programs against the programs themselves: the manual pages,
# the shell completion and the software-centre metadata name every option the command-line
# tool takes and the release the programs report, and each file passes its format's checker.
# Usage: check_packaging.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
src=$1 build=$2
bin=$build/bin
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

version=$("$bin/plikatra-cli" --version | awk '{print $NF}')
[ -n "$version" ] || fail "plikatra-cli --version printed no version"
desktop_version=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= "$bin/plikatra" --version 2>&1 | awk '{print $NF}')
[ "$desktop_version" = "$version" ] ||
  fail "plikatra --version says '$desktop_version', plikatra-cli --version says '$version'"

# Every long option of every subcommand, as the tool's own help lists them.
options=$(for sub in info unfold export; do "$bin/plikatra-cli" $sub --help; done |
  grep -oE '(^|[ ,])--[a-z][a-z-]*' | sed 's/^[ ,]*//' | sort -u)
[ "$(echo "$options" | wc -l)" -ge 15 ] || fail "the tool's help lists too few options: $options"

for page in plikatra plikatra-cli; do
  man=$build/man/$page.1
  [ -f "$man" ] || { fail "$man was not built"; continue; }
  grep -q "Plikatra Designer $version\"" "$man" || fail "$page.1 does not carry release $version"
  warnings=$(LC_ALL=C.UTF-8 groff -man -ww -z "$man" 2>&1)
  [ -z "$warnings" ] || fail "$page.1: $warnings"
  zcat "$man.gz" | cmp -s - "$man" || fail "$page.1.gz is not the page"
done
# groff writes the hyphens of an option as \-, so read the page as text.
cli_page=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$build/man/plikatra-cli.1" 2>/dev/null | col -b)
completion=$(cat "$src/packaging/completions/plikatra-cli")
for o in $options; do
  [ "$o" = "--help" ] && continue
  grep -qe "$o\b" <<<"$cli_page" || fail "the manual page of plikatra-cli does not describe $o"
  grep -qe "$o\b" <<<"$completion" || fail "the completion of plikatra-cli does not offer $o"
done

# The completion really completes, with the functions bash-completion gives it.
complete_words() {
  bash -c 'source /usr/share/bash-completion/bash_completion; source "$1"; shift
           COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
           "$(complete -p "$1" | awk "{print \$3}")"; printf "%s\n" "${COMPREPLY[@]}"' \
    _ "$@"
}
if [ -f /usr/share/bash-completion/bash_completion ]; then
  got=$(complete_words "$src/packaging/completions/plikatra-cli" plikatra-cli un)
  [ "$got" = "unfold" ] || fail "plikatra-cli un<Tab> gives '$got'"
  got=$(complete_words "$src/packaging/completions/plikatra-cli" plikatra-cli unfold m.obj --eng)
  [ "$got" = "--engine" ] || fail "plikatra-cli unfold m.obj --eng<Tab> gives '$got'"
  got=$(complete_words "$src/packaging/completions/plikatra" plikatra --scr)
  [ "$got" = "--screenshot" ] || fail "plikatra --scr<Tab> gives '$got'"
else
  fail "bash-completion is not installed"
fi

meta=$build/org.plikatra.designer.metainfo.xml
grep -q "<release version=\"$version\"" "$meta" || fail "the metadata does not carry release $version"
appstreamcli validate --no-net "$meta" >/dev/null 2>&1 || fail "$(appstreamcli validate --no-net "$meta")"
desktop-file-validate "$src/packaging/plikatra.desktop" || fail "the desktop entry does not validate"
grep -q "<launchable type=\"desktop-id\">plikatra.desktop</launchable>" "$meta" ||
  fail "the metadata does not launch the desktop entry"

# Installed where the system looks for each.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cmake --install "$build" --prefix "$stage/usr" >/dev/null || fail "cmake --install failed"
for f in share/man/man1/plikatra.1.gz share/man/man1/plikatra-cli.1.gz \
         share/bash-completion/completions/plikatra share/bash-completion/completions/plikatra-cli \
         share/metainfo/org.plikatra.designer.metainfo.xml share/applications/plikatra.desktop; do
  [ -f "$stage/usr/$f" ] || fail "not installed: /usr/$f"
done

if [ $failures -eq 0 ]; then echo "packaging: all checks pass (release $version)"; fi
exit $((failures > 0))
