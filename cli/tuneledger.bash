# bash completion for tuneledger: commands, options and the values they take.
_tuneledger() {
  local cur prev
  cur="${COMP_WORDS[COMP_CWORD]}"
  prev="${COMP_WORDS[COMP_CWORD-1]}"
  local options="--from --all -m --max-count -c --count -q --quiet --silent --json --table --lines
    --color --colour --raw -V --version -h --help --"

  case "$prev" in
    --from | -m | --max-count)
      return 0 ;;  # a number
  esac
  case "$cur" in
    --color=* | --colour=*)
      COMPREPLY=($(compgen -P "${cur%%=*}=" -W "auto always never" -- "${cur#*=}"))
      return 0 ;;
    -*)
      COMPREPLY=($(compgen -W "$options" -- "$cur"))
      return 0 ;;
  esac

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
