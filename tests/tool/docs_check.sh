#!/usr/bin/env bash
# ftpls's man page and bash completion against the tool's own --help:
#   docs_check.sh FTPLS DIR        (DIR holds ftpls.1 and ftpls.bash)
# Every option of --help is documented in the man page's OPTIONS and every
# option documented there is one of --help's; the page renders without a
# warning (groff -ww, and mandoc -Tlint where installed); the completion file
# sources in a plain bash and offers exactly --help's options.
set -euo pipefail
ftpls=$1 dir=$2
failed=0
fail() { echo "FAILED: $*"; failed=1; }

# "--name" per long option and "-x" per short one, from the option column
# of --help (indented lines that start with "-").
help_options=$("$ftpls" --help | sed -n 's/^ \{1,\}\(-[^ ]*\( [^ ][^ ]*\)*\).*/\1/p' |
  grep -oE -- '(^|[ ,])-(-[a-z][a-z-]*|[a-zA-Z])' | tr -d ' ,' | sort -u)
[ -n "$help_options" ] || fail "no options found in ftpls --help"

# The man page's options: the tags (.TP's next line) of its OPTIONS section.
man_options=$(awk '/^\.SH /{section = $2} section == "OPTIONS" && tag {print} {tag = /^\.TP/}' \
    "$dir/ftpls.1" | sed 's/\\-/-/g' |
  grep -oE -- '(^|[ "])-(-[a-z][a-z-]*|[a-zA-Z])' | tr -d ' "' | sort -u)
missing=$(comm -23 <(echo "$help_options") <(echo "$man_options"))
extra=$(comm -13 <(echo "$help_options") <(echo "$man_options"))
[ -z "$missing" ] || fail "ftpls.1 does not document: $(echo $missing)"
[ -z "$extra" ] || fail "ftpls.1 documents options that --help lacks: $(echo $extra)"

warnings=$(groff -ww -z -man "$dir/ftpls.1" 2>&1)
[ -z "$warnings" ] || fail "groff warns about ftpls.1: $warnings"
if command -v mandoc >/dev/null; then
  lint=$(mandoc -Tlint -W style "$dir/ftpls.1" 2>&1) || fail "mandoc -Tlint: $lint"
fi

# Completes the words given in a plain bash that sourced the file; prints
# the candidates, one a line.
complete_words() {
  bash --norc --noprofile -c 'source "$1"; shift
    COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _ftpls
    printf "%s\n" "${COMPREPLY[@]}"' complete "$dir/ftpls.bash" "$@"
}
completed=$(complete_words "$ftpls" - | sed 's/=$//' | sort -u)
[ "$completed" = "$help_options" ] ||
  fail "completion of '-' offers $(echo $completed), --help has $(echo $help_options)"
[ "$(complete_words "$ftpls" --keep)" = "--keep-versions" ] || fail "'--keep' does not complete"
[ "$(complete_words "$ftpls" --tod)" = "--today=" ] || fail "'--tod' does not complete to '--today='"
[ "$(complete_words "$ftpls" --encoding = KOI)" = "KOI8-R" ] || fail "--encoding=KOI does not complete"
[ "$(complete_words "$ftpls" --sort = t)" = "time" ] || fail "--sort=t does not complete"
[ -z "$(complete_words "$ftpls" --user = x)" ] || fail "--user=x completed a value"
[ -z "$(complete_words "$ftpls" -- --k)" ] || fail "an option completed after '--'"

[ "$failed" = 0 ] && echo "ftpls.1 and ftpls.bash agree with --help ($(echo $help_options | wc -w) options)"
exit "$failed"
