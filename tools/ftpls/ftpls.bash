# bash completion for ftpls, installed as share/bash-completion/completions/ftpls.
# The options come from the installed tool's own --help, so the two never
# disagree; files complete everywhere else. Needs nothing but bash.

_ftpls() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local i
    # After "--" every argument is a FILE.
    for ((i = 1; i < COMP_CWORD; i++)); do
        [[ ${COMP_WORDS[i]} == -- ]] && { COMPREPLY=($(compgen -f -- "$cur")); return; }
    done
    # bash splits "--encoding=cp" at "=" (COMP_WORDBREAKS): the value is the
    # current word and the option the one before the "=".
    local option=
    if [[ $cur == = ]]; then
        option=${COMP_WORDS[COMP_CWORD - 1]}
        cur=
    elif ((COMP_CWORD >= 2)) && [[ ${COMP_WORDS[COMP_CWORD - 1]} == = ]]; then
        option=${COMP_WORDS[COMP_CWORD - 2]}
    fi
    case $option in
    --encoding)
        COMPREPLY=($(compgen -W 'auto none CP1250 CP1251 CP1252 KOI8-R latin1 UTF-8' -- "$cur"))
        return
        ;;
    --sort)
        COMPREPLY=($(compgen -W 'name size time' -- "$cur"))
        return
        ;;
    --save-raw | --cacert | --netrc-file)
        COMPREPLY=($(compgen -f -- "$cur"))
        return
        ;;
    --capath)
        COMPREPLY=($(compgen -d -- "$cur"))
        return
        ;;
    --today | --max-line-length | --connect-timeout | --idle-timeout | --max-time | --user)
        return
        ;;
    esac
    if [[ $cur == -* ]]; then
        local options
        # The option column of --help: indented lines that start with "-", up
        # to the two spaces before the description.
        options=$("${COMP_WORDS[0]}" --help 2>/dev/null | sed -n 's/^ \{1,\}\(-[^ ]*\( [^ ][^ ]*\)*\).*/\1/p' |
            grep -oE -- '(^|[ ,])-(-[a-z][a-z-]*=?|[a-zA-Z])' | tr -d ' ,' | sort -u)
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        # An option that takes a value completes to "--name=" with no space after it.
        if [[ ${#COMPREPLY[@]} == 1 && ${COMPREPLY[0]} == *= ]]; then
            compopt -o nospace 2>/dev/null
        fi
        return
    fi
    COMPREPLY=($(compgen -f -- "$cur"))
}
complete -o filenames -F _ftpls ftpls
