# Bash completion for mic1: its subcommands, their options, and file names with the
# extensions each place takes. It needs nothing from the bash-completion package, so it
# also works when sourced by hand.

# Files with one of the extensions given (an extglob pattern), and folders to go on into.
_mic1_files() {
    local cur=$1 pattern=$2 restore
    restore=$(shopt -p extglob)
    shopt -s extglob
    mapfile -t -O "${#COMPREPLY[@]}" COMPREPLY < <(compgen -d -- "$cur")
    mapfile -t -O "${#COMPREPLY[@]}" COMPREPLY < <(compgen -f -X "!*.@($pattern)" -- "$cur")
    eval "$restore"
    compopt -o filenames 2>/dev/null
}

_mic1() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()
    # --ijvm=FILE: readline splits at "=", so the option is the word before it.
    if [[ $cur == = ]]; then
        cur=
    elif [[ $prev == = && $COMP_CWORD -ge 2 ]]; then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    fi

    local command='' i
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
        asm | run | ijvm | test | grade)
            command=${COMP_WORDS[i]}
            break
            ;;
        esac
    done

    if [[ $prev == --lang ]]; then
        mapfile -t COMPREPLY < <(compgen -W "en course" -- "$cur")
        return
    fi

    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            mapfile -t COMPREPLY < <(compgen -W "--help --version --lang" -- "$cur")
        else
            mapfile -t COMPREPLY < <(compgen -W "asm run ijvm test grade" -- "$cur")
        fi
        return
    fi

    # The value an option takes: a file of the right kind, a choice, or nothing to offer.
    case $command:$prev in
    asm:-o | asm:--output)
        _mic1_files "$cur" "bin"
        return
        ;;
    run:--ijvm)
        _mic1_files "$cur" "jvm"
        return
        ;;
    run:--mode)
        mapfile -t COMPREPLY < <(compgen -W "run ijvm mic" -- "$cur")
        return
        ;;
    run:--format)
        mapfile -t COMPREPLY < <(compgen -W "text csv" -- "$cur")
        return
        ;;
    run:--mem | run:--stdin | run:--steps | run:--back | run:--max-steps | run:--max-memory | run:--dump | \
        test:--jobs | test:--max-memory | test:--name | grade:--jobs | grade:--max-memory)
        return
        ;;
    test:--junit)
        _mic1_files "$cur" "xml"
        return
        ;;
    test:--reference)
        _mic1_files "$cur" "mal|bin"
        return
        ;;
    grade:--submissions | grade:--out)
        mapfile -t COMPREPLY < <(compgen -d -- "$cur")
        compopt -o filenames 2>/dev/null
        return
        ;;
    esac

    local options
    case $command in
    asm) options="--output -o --no-check --lang --help" ;;
    run) options="--ijvm --mode --steps --max-steps --max-memory --mem --stdin --dump --trace --format --json
                  --stats --history --back --no-check --werror --lang --help" ;;
    ijvm) options="--json --werror --lang --help" ;;
    test) options="--junit --json --reference --name --jobs --max-memory --no-check --lang --help" ;;
    grade) options="--submissions --out --jobs --max-memory --no-check --lang --help" ;;
    esac
    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
        return
    fi

    # Operands: the first one of test and grade is a microprogram, the ones after it suites.
    local operands=0
    for ((i = i + 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
        -o | --output | --ijvm | --mode | --mem | --stdin | --steps | --back | --max-steps | --max-memory | \
            --dump | --format | --junit | --jobs | --reference | --name | --submissions | --out | --lang)
            [[ ${COMP_WORDS[i + 1]} == = ]] && ((++i))
            ((++i))
            ;;
        -*) ;;
        *) ((++operands)) ;;
        esac
    done
    case $command in
    asm) _mic1_files "$cur" "mal" ;;
    run) _mic1_files "$cur" "mal|bin" ;;
    ijvm) _mic1_files "$cur" "jvm" ;;
    test | grade)
        if ((operands == 0)); then
            _mic1_files "$cur" "mal|bin"
        else
            _mic1_files "$cur" "toml"
        fi
        ;;
    esac
}

complete -F _mic1 mic1
