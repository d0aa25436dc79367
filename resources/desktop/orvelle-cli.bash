# Bash completion for orvelle-cli: its commands, each command's options, the values of the
# options that take a word, and files of the kinds each command reads.

_orvelle_cli() {
    local cur prev words cword
    _init_completion || return

    local commands="info split tiles merge"
    # _filedir takes the upper-case names as well.
    local pictures='tif|tiff|pdf|jpg|jpe|jpeg|bmp|png|gif'
    local documents='tif|tiff|pdf'

    # The command is the first word after the program; before it, only the program's own options.
    local command="" i
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            info | split | tiles | merge) command=${words[i]}; break ;;
        esac
    done
    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "--help --version" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "$commands" -- "$cur"))
        fi
        return
    fi

    # The values of options that take one.
    case $prev in
        --format)
            COMPREPLY=($(compgen -W "jpeg bmp gif png tiff pdf" -- "$cur")); return ;;
        --compression)
            COMPREPLY=($(compgen -W "lzw g4 deflate auto" -- "$cur")); return ;;
        --to)
            if [[ $command == merge ]]; then
                COMPREPLY=($(compgen -W "pdf tiff" -- "$cur"))
            else
                _filedir
            fi
            return ;;
        --out)
            if [[ $command == merge ]]; then _filedir "$documents"; else _filedir -d; fi
            return ;;
        --from-list)
            _filedir; return ;;
        --documents)
            COMPREPLY=($(compgen -W "every: blank pages:" -- "$cur")); compopt -o nospace 2>/dev/null; return ;;
        --rotate)
            COMPREPLY=($(compgen -W "+90: -90: 180:" -- "$cur")); compopt -o nospace 2>/dev/null; return ;;
        --percent | --page | --pages | --quality | --dpi)
            return ;;
    esac

    local options
    case $command in
        info) options="--json" ;;
        split) options="--out --format --percent --pages --page --to --keep-class --quality --pad --dpi --lossless --rotate --drop-blank --documents --ocr --ocr=redo --ocr-lang --auto-rotate --text --json --verbose" ;;
        tiles) options="--out" ;;
        merge) options="--out --all-pages --compression --from-list --null --bigtiff --to --dpi --lossless --rotate --collate --drop-blank --ocr --ocr=redo --ocr-lang --auto-rotate --text --json --verbose" ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi
    case $command in
        info | merge) _filedir "$pictures" ;;
        split | tiles) _filedir "$documents" ;;
    esac
} &&
    complete -F _orvelle_cli orvelle-cli
