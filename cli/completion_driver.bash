# Presses TAB at the end of each LINE, as bash does, and prints what the completion offers.
#
#   [WORDBREAKS=CHARACTERS] bash completion_driver.bash COMPLETION_SCRIPT LINE...
#
# For each LINE, one line out: the offers (COMPREPLY) sorted and joined by single spaces, empty
# when there are none. The line is split into COMP_WORDS as interactive bash splits it with its
# default COMP_WORDBREAKS: blanks separate words, and a run of the other break characters ('=',
# ':', '|', ...) is a word of its own, so "--color=al" is "--color" "=" "al". (Lines with
# quotes are not split as bash would.)
set -u
source "$1"
shift
# Bash's own default, unless WORDBREAKS stands in for a user's COMP_WORDBREAKS (bash resets
# that variable at start).
default_breaks=$' \t\n"\'@><=;|&(:'
breaks="${WORDBREAKS-${COMP_WORDBREAKS:-$default_breaks}}"

for line in "$@"; do
  COMP_WORDS=()
  word="" kind=""
  for ((i = 0; i < ${#line}; i++)); do
    c="${line:i:1}"
    if [[ "$c" == [[:blank:]] ]]; then
      class=blank
    elif [[ "$breaks" == *"$c"* ]]; then
      class=break
    else
      class=text
    fi
    if [[ "$class" != "$kind" && -n "$word" ]]; then
      COMP_WORDS+=("$word")
      word=""
    fi
    [[ "$class" != blank ]] && word+="$c"
    kind="$class"
  done
  # After a blank the cursor starts a new, empty word.
  if [[ -n "$word" || "$kind" == blank || ${#COMP_WORDS[@]} -eq 0 ]]; then
    COMP_WORDS+=("$word")
  fi
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE="$line"
  COMP_POINT=${#line}
  COMPREPLY=()
  cur="${COMP_WORDS[COMP_CWORD]}"
  prev=""
  ((COMP_CWORD > 0)) && prev="${COMP_WORDS[COMP_CWORD-1]}"
  _tuneledger "${COMP_WORDS[0]}" "$cur" "$prev"
  if ((${#COMPREPLY[@]} > 0)); then
    printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd ' ' -
  else
    echo
  fi
done
