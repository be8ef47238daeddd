# bash completion for tuneledger: commands, options and the values they take.
#
# Works with bash's default COMP_WORDBREAKS, which holds '=': bash then hands "--color=al" over
# as the three words "--color", "=" and "al", and replaces only what follows the '='. Needs
# nothing from the bash-completion package.
_tuneledger() {
  local cur="${COMP_WORDS[COMP_CWORD]}"
  local prev="${COMP_WORDS[COMP_CWORD-1]}"
  # Every option, as `tuneledger --help` lists them (cli/options_test.py holds the two alike).
  local options="--from --all -m --max-count -c --count -q --quiet --silent --json --table --lines
    --color --colour --raw -V --version -h --help"
  local when="auto always never"

  # The value of --color=WHEN / --colour=WHEN: split at '=' ("--color" "=" "al"), or whole when
  # '=' is no word break ("--color=al").
  local option="" value="" before="${COMP_LINE:0:COMP_POINT}"
  if [[ "$cur" == "=" && "$before" == *"$prev=" ]]; then
    option="$prev"
  elif [[ "$prev" == "=" && COMP_CWORD -ge 2 && "$before" == *"=$cur" ]]; then
    option="${COMP_WORDS[COMP_CWORD-2]}" value="$cur"
  elif [[ "$cur" == --*=* ]]; then
    option="${cur%%=*}" value="${cur#*=}"
  fi
  case "$option" in
    --color | --colour)
      COMPREPLY=($(compgen -W "$when" -- "$value"))
      # With '=' no word break the reply replaces the whole word.
      [[ "$cur" == --*=* ]] && COMPREPLY=("${COMPREPLY[@]/#/$option=}")
      return 0 ;;
    --*)
      return 0 ;;  # --from=N, --max-count=N: a number
  esac

  case "$prev" in
    --from | -m | --max-count)
      return 0 ;;  # a number
  esac
  if [[ "$cur" == -* ]]; then
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
    return 0
  fi

  # The command comes first among the words that are no options.
  local i word command=""
  for ((i = 1; i < COMP_CWORD; i++)); do
    word="${COMP_WORDS[i]}"
    case "$word" in
      --from | -m | --max-count) ((i++)) ;;
      get | search | filter) command="$word"; break ;;
    esac
  done
  if [[ -z "$command" ]]; then
    COMPREPLY=($(compgen -W "get search filter" -- "$cur"))
  fi
}
complete -F _tuneledger tuneledger
