# Runs the command-line host against the chart table and checks what a shell user sees.
#
#   cmake -DCLI=path/to/tuneledger -DVERSION=1.0.0.1 [-DEMULATOR=wine] -P cli_test.cmake
#
# EMULATOR runs a cross-built host (a CMAKE_CROSSCOMPILING_EMULATOR: qemu-arm, wine).
#
# Each case names the exit status, regular expressions that the whole stdout and the whole
# stderr must match, and the arguments. Every case runs, and all failures are reported together.

if(NOT CLI OR NOT VERSION)
  message(FATAL_ERROR "pass the host as -DCLI=path/to/tuneledger and its -DVERSION")
endif()

set(failures 0)
set(environment "")  # NAME=VALUE pairs for the cases that follow

function(report command_line problems out err)
  string(REPLACE ";" "\n" problems "${problems}")
  message(SEND_ERROR "${command_line}\n${problems}\n--- stdout:\n${out}--- stderr:\n${err}")
  math(EXPR failures "${failures} + 1")
  set(failures ${failures} PARENT_SCOPE)
endfunction()

function(expect status out_pattern err_pattern)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env ${environment} ${EMULATOR} "${CLI}" ${ARGN}
    RESULT_VARIABLE actual_status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(problems "")
  if(NOT actual_status STREQUAL status)
    list(APPEND problems "exit status ${actual_status}, expected ${status}")
  endif()
  if(NOT out MATCHES "${out_pattern}")
    list(APPEND problems "stdout does not match ${out_pattern}")
  endif()
  if(NOT err MATCHES "${err_pattern}")
    list(APPEND problems "stderr does not match ${err_pattern}")
  endif()
  if(problems)
    string(JOIN " " command_line ${environment} tuneledger ${ARGN})
    report("${command_line}" "${problems}" "${out}" "${err}")
    set(failures ${failures} PARENT_SCOPE)
  endif()
endfunction()

set(line "[^\n]*\n")  # the rest of an answer's line
set(none "^$")
string(ASCII 27 esc)
set(on "${esc}\\[1;31m")  # a highlighted match starts
set(off "${esc}\\[m")     # and ends
set(usage "^tuneledger: [^\n]+\nTry 'tuneledger --help'.\n$")
set(not_found "^NOT FOUND!\n$")

# ---- Reading entries -------------------------------------------------------------------------
# The first, both ends of the range, a number beyond 32 bits that must clamp rather than wrap
# round to entry 0, and a negative index after "--".
expect(0 "^Tove Lark \\|Wake Me Tonight\\|${line}$" ${none} get 0)
expect(0 "^Mara Dunmore \\|40 Loves${line}$" ${none} get 11081)
expect(1 ${none} "^Out of range\n$" get 11082)
expect(1 ${none} "^Out of range\n$" get -1)
expect(1 ${none} "^Out of range\n$" get 4294967296)
expect(1 ${none} "^Out of range\n$" get -- -1)

# ---- Searching -------------------------------------------------------------------------------
# A hit, none from past it (both forms of --from), nothing at all, and paging with --all that
# yields every hit once, in order, with options before, between and after the arguments.
expect(0 "^4-Hidden Wolves \\|${line}$" ${none} search "(x124)")
expect(1 ${none} ${not_found} search "(x124)" --from 5)
expect(1 ${none} ${not_found} search "(x124)" --from=5)
expect(1 ${none} ${not_found} search zzzqqq --all)
expect(0 "^2215-Björn Rowan ${line}8593-Björn Fenwick ${line}9657-Björn Stroud ${line}$" ${none}
  search Björn --all)
expect(0 "^8593-Björn Fenwick ${line}9657-Björn Stroud ${line}$" ${none} --all search --from 2216 Björn)
expect(0 "^4-Hidden Wolves \\|${line}$" ${none} filter "(x124)\;|1|\;")
expect(1 ${none} ${not_found} filter "no entry holds this\;" --all)
# "--" ends the options: what follows is the text even when it looks like an option.
expect(1 ${none} ${not_found} search -- --all)

# ---- Showing entries: per UTF-8 sequence ------------------------------------------------------
# Stored UTF-8 is found and shown as typed; --raw shows and takes the library's own characters.
# A byte that starts no valid sequence shows as its Windows-1252 character while the valid
# sequences around it stay text, so all eight Fjällby entries show the name as typed.
expect(0 "^5460-The Paper Rockets \\|Café\\|${line}$" ${none} search Café)
expect(0 "^The Paper Rockets \\|CafÃ©\\|${line}$" ${none} --raw get 5460)
expect(1 ${none} ${not_found} search --raw Café)
expect(0 "^5460-The Paper Rockets \\|CafÃ©\\|${line}$" ${none} search --raw CafÃ©)
expect(0 "^ZdenÄ\\?k Ardent \\|${line}$" ${none} get 342)
expect(0 "^HélÃ\\?ne Fjällby \\|${line}$" ${none} get 2660)
string(REPEAT "[0-9]+-[^\n]*Fjällby ${line}" 8 eight_fjallby)  # (CMake's regex has no {8})
expect(0 "^${eight_fjallby}$" ${none} search Fjällby --all)

# ---- Count, quiet, maximum -------------------------------------------------------------------
expect(0 "^620\n$" ${none} search night -c)
expect(0 "^620\n$" ${none} search night --count --all)
expect(1 "^0\n$" ${none} search zzzqqq --count)
expect(0 "^5\n$" ${none} search night -c -m 5)
expect(0 "^13\n$" ${none} filter "love\;night\;" -c)
expect(0 ${none} ${none} search night -q)
expect(0 ${none} ${none} search night --quiet --all)
expect(1 ${none} ${none} search zzzqqq -q)
expect(1 ${none} ${none} search zzzqqq --silent)
expect(0 ${none} ${none} get 4 -q)
expect(1 ${none} ${none} get 11082 --quiet)
expect(0 ${none} ${none} -qc search night)  # short options together; -q wins
expect(0 "^0-${line}8-${line}$" ${none} search night -m 2)
expect(0 "^0-${line}8-${line}$" ${none} search night -m2)
expect(0 "^0-${line}8-${line}$" ${none} search night --max-count=2)
expect(0 "^0-${line}8-${line}13-${line}$" ${none} search night --max-count 3 --all)
expect(1 ${none} ${none} search night -m 0)

# ---- JSON ------------------------------------------------------------------------------------
# One object a line; times_at_best is a number, 0 where the entry says none; performer and
# title without the spaces around them; the entry as shown.
expect(0 "^{\"index\":0,\"entry\":\"Tove Lark \\|Wake Me Tonight\\|1506\\|302\\|1\\|\\(x29\\)\\|2118242\\|883369738\",\"performer\":\"Tove Lark\",\"title\":\"Wake Me Tonight\",\"listings\":1506,\"top_ten\":302,\"best_position\":1,\"times_at_best\":29,\"best_single\":2118242,\"total\":883369738}\n$"
  ${none} get 0 --json)
expect(0 "^{\"index\":4,[^\n]*\"times_at_best\":124,${line}{\"index\":8,[^\n]*\"times_at_best\":0,${line}$"
  ${none} search --json -m 2 "Me "  --from 4)
expect(0 "^{\"index\":5460,\"entry\":\"The Paper Rockets \\|Café\\|[^\n]*\"title\":\"Café\"${line}$"
  ${none} search Café --json)
expect(0 "^{\"index\":5460,\"entry\":\"The Paper Rockets \\|CafÃ©\\|${line}$" ${none} --json --raw get 5460)

# ---- Colour: each match, each term of a filter, case set aside for A to Z only ----------------
expect(0 "^0-Tove Lark \\|Wake Me To${on}night${off}\\|${line}$" ${none} search NIGHT --color=always)
expect(0 "^2750-The Owls \\|Lucky ${on}Love${off} To${on}night${off}\\|${line}$" ${none}
  filter "love\;night\;" --color=always)
expect(0 "^0-Tove Lark \\|Wake Me Tonight\\|${line}$" ${none} search night --color=never)
expect(0 "^0-Tove Lark \\|Wake Me Tonight\\|${line}$" ${none} search night --color)  # auto: a pipe
expect(0 "^0-Tove Lark \\|Wake Me Tonight\\|${line}$" ${none} search night --colour=auto)
# --colour is --color by another name, with the same values.
expect(0 "^0-Tove Lark \\|Wake Me To${on}night${off}\\|${line}$" ${none} search NIGHT --colour=always)
expect(0 "^2750-The Owls \\|Lucky ${on}Love${off} To${on}night${off}\\|${line}$" ${none}
  --colour=always filter "love\;night\;")
expect(0 "^0-Tove Lark \\|Wake Me Tonight\\|${line}$" ${none} search night --colour=never)
expect(0 "^0-Tove Lark \\|Wake Me Tonight\\|${line}$" ${none} search night --colour)
expect(2 ${none} "^tuneledger: --colour takes auto, always or never, not 'sometimes'${line}Try" search x --colour=sometimes)
# The value comes only after '=': a word after --colour is an argument of its own.
expect(2 ${none} "^tuneledger: extra argument 'always'${line}Try" search x --colour always)
set(environment NO_COLOR=1)
# NO_COLOR turns auto off; an explicit --color=always still wins.
expect(0 "^0-Tove Lark \\|Wake Me To${on}night${off}\\|${line}$" ${none} search night --color=always)
set(environment "")
expect(0 "^{\"index\":0,${line}$" ${none} search night --color=always --json)  # JSON stays JSON

# ---- Table -----------------------------------------------------------------------------------
# A header, the figures grouped and right-aligned; with COLUMNS=60 performer and title shrink.
expect(0 "^Index  Performer  Title            Listed  Top 10  Best  Times     Single        Total\n    0  Tove Lark  Wake Me Tonight   1,506     302     1     29  2,118,242  883,369,738\n$"
  ${none} get 0 --table)
# A table wider than COLUMNS fits it: performer and title shrink to 16 columns, then the figures
# go (top-ten listings, times at best, listings, best single count, best position), then
# performer and title shrink to 9 columns; the index and the total stay.
set(environment COLUMNS=80)
expect(0 "^Index  Performer       Title                Listed  Best     Single        Total\n    0  Tove Lark       Wake Me Tonight       1,506     1  2,118,242  883,369,738\n    8  Juno Underhill  Forget Me Tonight …     654     5    938,849  529,990,911\n$"
  ${none} search night -m 2 --table)
# Each figure goes one column too narrow for it (performer 14 and title 16 columns wide).
set(all_figures "Listed  Top 10  Best  Times     Single        Total")
foreach(fit "92|${all_figures}" "91|Listed  Best  Times     Single        Total"
            "84|Listed  Best  Times     Single        Total" "83|Listed  Best     Single        Total"
            "77|Listed  Best     Single        Total" "76|Best     Single        Total"
            "69|Best     Single        Total" "68|Best        Total" "58|Best        Total" "57|Total")
  string(REPLACE "|" ";" fit "${fit}")
  list(GET fit 0 columns)
  list(GET fit 1 header)
  set(environment COLUMNS=${columns})
  expect(0 "^Index  Performer       Title +${header}\n" ${none} search night -m 2 --table)
endforeach()
set(environment COLUMNS=40)
expect(0 "^Index  Performer  Title            Total\n    0  Tove Lark  Wake Me …  883,369,738\n    8  Juno Und…  Forget M…  529,990,911\n$"
  ${none} search night -m 2 --table)
# East Asian wide characters take two columns each: every row of a table 60 columns wide is 60
# columns wide, where a count of characters would leave these three short and the header long.
set(environment COLUMNS=60)
expect(0 "^Index  Performer            Title   Best   Single      Total
 1526  The Owls             夜の海     3  741,305  1,039,888
 1968  Zelda Hollister      夜の海     6  694,906    694,906
 7608  The Golden Machines  夜の海    75   84,981     84,981
$" ${none} search 夜の海 --all --table)
expect(0 "^Index  Performer  Title           Best   Single    Total
 5190  하늘정원   Leave You         35  154,446  154,446
 5726  하늘정원   Wild Satellite    46  132,691  132,691
$" ${none} search 하늘정원 -m 2 --table)
set(environment "")
expect(2 ${none} ${usage} search night --table --lines)

# ---- Warnings on stderr ----------------------------------------------------------------------
string(REPEAT "a" 169 longest)
string(REPEAT "a" 170 too_long)
string(REPEAT "\;" 2999 most_terms)
string(REPEAT "\;" 3000 too_many)
set(warning "tuneledger: warning: ")
# Text after the last ';' takes no part: the whole text without one (every entry passes), or
# what follows the last term (here "night": the hit holds "love" alone).
expect(0 "^0-Tove Lark ${line}$" "^${warning}'love' takes no part: a term ends with ';'[^\n]*\n$"
  filter love)
expect(0 "^77-Lil Talon \\|1966 Loves${line}$" "^${warning}'night' after the last ';' takes no part${line}$"
  filter "love\;night")
# A text longer than any entry; right at the longest, no word.
expect(1 ${none} "^${warning}the text has 170 characters, more than the longest entry \\(169\\)${line}NOT FOUND!\n$"
  search ${too_long})
expect(1 ${none} ${not_found} search ${longest})
string(REPEAT "a" 40 named)  # a text named in a warning is cut after 40 characters
expect(1 ${none} "^${warning}the term '${named}\\.\\.\\.' has 170 characters, more than the longest entry \\(169\\)${line}NOT FOUND!\n$"
  filter "${too_long}\;")
# Characters are counted as typed: without --raw the library reads the UTF-8 bytes, so the
# bytes are named too when they differ. 100 "é" make 200 bytes, more than any entry holds.
string(REPEAT "é" 100 hundred_e)
string(REPEAT "é" 84 short_e)  # 168 bytes: no word
expect(1 ${none} "^${warning}the text has 100 characters, 200 bytes in UTF-8, more than the longest entry \\(169 bytes\\)${line}NOT FOUND!\n$"
  search ${hundred_e})
expect(1 ${none} "^${warning}the term '[é]+\\.\\.\\.' has 100 characters, 200 bytes in UTF-8, more than the longest entry \\(169 bytes\\)${line}NOT FOUND!\n$"
  filter "${hundred_e}\;")
expect(1 ${none} ${not_found} search ${short_e})
expect(1 ${none} "^${warning}the text has 200 characters, more than the longest entry \\(169\\)${line}NOT FOUND!\n$"
  search --raw "${hundred_e}${hundred_e}")
string(REPEAT "é\;" 1000 e_terms)  # 1,000 terms of 2 bytes: 3,000 bytes
expect(1 ${none} "^${warning}the filter has 2000 characters, 3000 bytes in UTF-8, more than the 2999 bytes a filter may have${line}NOT FOUND!\n$"
  filter "${e_terms}")
# A filter over 2,999 characters passes nothing; at 2,999 every (empty) term counts.
expect(1 ${none} "^${warning}the filter has 3000 characters, more than the 2999${line}NOT FOUND!\n$"
  filter "${too_many}")
expect(0 "^9-${line}$" ${none} filter "${most_terms}" --from 9)
# --raw characters beyond Windows-1252 become '?': here the one '?' of an entry matches.
expect(0 "^191-${line}$" "^${warning}1 character is outside Windows-1252, searched as '\\?'\n$"
  search --raw "😀")
expect(0 "^730-${line}$" ${none} search --raw "€")

# ---- Usage errors: status 2, a reason and a pointer to --help --------------------------------
expect(2 ${none} ${usage})
expect(2 ${none} ${usage} find x)
expect(2 ${none} ${usage} get)
expect(2 ${none} ${usage} get abc)
expect(2 ${none} ${usage} get 12x)
expect(2 ${none} ${usage} get 1 2)
expect(2 ${none} ${usage} get 1 --all)
expect(2 ${none} ${usage} get 1 --from 3)
expect(2 ${none} ${usage} get 1 -c)
expect(2 ${none} ${usage} get 1 -m 1)
expect(2 ${none} ${usage} search x --from)
expect(2 ${none} ${usage} search x --from=abc)
expect(2 ${none} ${usage} search x --bogus)
expect(2 ${none} "^tuneledger: unknown option '-i'${line}Try" search -i night)
expect(2 ${none} ${usage} search x -m -1)
expect(2 ${none} ${usage} search x --all=yes)
expect(2 ${none} ${usage} search x --color=sometimes)
expect(2 ${none} ${usage} search x --json --table)

# ---- Help and version ------------------------------------------------------------------------
string(REPLACE "." "\\." version_pattern "${VERSION}")
expect(0 "^tuneledger ${version_pattern}\n$" ${none} -V)
expect(0 "^tuneledger ${version_pattern}\n$" ${none} search x --version)
expect(0 "^Usage: tuneledger " ${none} --help)
# Help and version set aside a missing or unknown command or operand...
expect(0 "^Usage: tuneledger " ${none} search --help)
expect(0 "^tuneledger ${version_pattern}\n$" ${none} get -V)
expect(0 "^tuneledger ${version_pattern}\n$" ${none} find x y --version)
# ...but never an unknown option, a bad value or options that exclude each other.
expect(2 ${none} "^tuneledger: unknown option '--bogus'${line}Try" --bogus -V)
expect(2 ${none} "^tuneledger: unknown option '-i'${line}Try" search -i night -V)
expect(2 ${none} "^tuneledger: --from needs an integer, not 'abc'${line}Try" --from=abc -V)
expect(2 ${none} "^tuneledger: unknown option '--bogus'${line}Try" --help --bogus)
expect(2 ${none} "^tuneledger: --color takes auto, always or never, not 'x'${line}Try" -h --color=x)
expect(2 ${none} "^tuneledger: -m needs a number of hits${line}Try" -Vm -1)
expect(2 ${none} "^tuneledger: --json, --table and --lines exclude each other${line}Try" --json --table --version)
expect(2 ${none} ${usage} --version --all=yes)
# The help names every option.
execute_process(COMMAND ${EMULATOR} "${CLI}" -h OUTPUT_VARIABLE help)
foreach(option --from --all -m --max-count -c --count -q --quiet --silent --json --table --lines
        --color --colour --raw -V --version -h --help NO_COLOR)
  if(NOT help MATCHES "[ ,]${option}[^a-z-]")
    report("tuneledger -h" "the help does not describe ${option}" "${help}" "")
  endif()
endforeach()

# ---- A write that fails names its reason ------------------------------------------------------
if(EXISTS /dev/full)
  execute_process(COMMAND ${EMULATOR} "${CLI}" search e --all OUTPUT_FILE /dev/full
    RESULT_VARIABLE status ERROR_VARIABLE err)
  if(NOT status EQUAL 2 OR NOT err MATCHES "^tuneledger: could not write the output: No space left on device\n$")
    report("tuneledger search e --all > /dev/full" "expected status 2 and the reason" "" "${err}")
  endif()
endif()

# A message that could not be written leaves the user as uninformed as a lost answer: status 2,
# whether "NOT FOUND!" or a warning beside a hit. With nothing to say, stderr is never touched.
if(EXISTS /dev/full)
  foreach(case "2|search|zzzqqq" "2|get|11082" "2|filter|love" "2|--bogus" "0|search|night" "1|search|zzzqqq|-q")
    string(REPLACE "|" ";" case "${case}")
    list(POP_FRONT case expected)
    execute_process(COMMAND ${EMULATOR} "${CLI}" ${case} ERROR_FILE /dev/full
      RESULT_VARIABLE status OUTPUT_VARIABLE out)
    if(NOT status STREQUAL expected)
      string(JOIN " " command_line tuneledger ${case})
      report("${command_line} 2> /dev/full" "exit status ${status}, expected ${expected}" "${out}" "")
    endif()
  endforeach()
endif()

# ---- On a terminal: a table by default, --raw keeps lines, colour unless NO_COLOR -------------
# script(1) gives the host a terminal 100 columns wide; under wine that is a Windows console,
# which the host writes as UTF-16 and wine shows as UTF-8 again, with cursor sequences of its
# own that are set aside here.
find_program(SCRIPT script)
if(SCRIPT)
  function(expect_terminal status out_pattern)
    string(JOIN " " command ${environment} ${EMULATOR} "'${CLI}'" ${ARGN})
    # A Windows console under wine now and then shows nothing of a program that ends at once
    # (seen under load, never twice in a row): an empty screen is asked for once more.
    foreach(attempt 1 2)
      execute_process(COMMAND ${SCRIPT} -qec "stty cols ${terminal_columns}; env ${command}" /dev/null
        RESULT_VARIABLE actual_status OUTPUT_VARIABLE out ERROR_VARIABLE err)
      if(NOT out STREQUAL "" OR NOT EMULATOR)
        break()
      endif()
    endforeach()
    string(REGEX REPLACE "\r|${esc}\\[\\?25[lh]|${esc}\\[K" "" out "${out}")
    if(NOT actual_status STREQUAL status OR NOT out MATCHES "${out_pattern}")
      report("on a terminal: ${command}" "exit status ${actual_status}, expected ${status}, or the output does not match" "${out}" "${err}")
      set(failures ${failures} PARENT_SCOPE)
    endif()
  endfunction()
  set(terminal_columns 100)
  set(header "Index  Performer +Title +Listed  Top 10  Best  Times +Single +Total")
  expect_terminal(0 "^${esc}\\[1m${header}${off}\n    0  Tove Lark  +Wake Me To${on}night${off} +1,506${line}$" search night)
  expect_terminal(0 "^${esc}\\[1m${header}${off}\n 2215  ${on}Björn${off} Rowan +Avenue  +10 ${line} 8593  ${on}Björn${off} Fenwick ${line}$"
    search Björn -m 2)
  expect_terminal(0 "^0-Tove Lark \\|Wake Me To${on}night${off}\\|${line}$" search night --raw)
  expect_terminal(1 "^NOT FOUND!\n$" search zzzqqq)
  set(environment NO_COLOR=1)
  expect_terminal(0 "^${header}\n    0  Tove Lark  +Wake Me Tonight +1,506${line}$" search night)
  expect_terminal(0 "^0-Tove Lark \\|Wake Me Tonight\\|${line}$" search night --lines)
  set(environment "")
  # The terminal's own width, 60 columns, and COLUMNS, which wins over it: every row 60 wide.
  set(sea "${on}夜の海${off}")
  set(sea_table "^${esc}\\[1mIndex  Performer            Title   Best   Single      Total${off}
 1526  The Owls             ${sea}     3  741,305  1,039,888
 1968  Zelda Hollister      ${sea}     6  694,906    694,906
 7608  The Golden Machines  ${sea}    75   84,981     84,981
$")
  # (Wine's console counts a wide character as one column and wraps such lines itself, so under
  # wine only COLUMNS is tried, in a terminal wide enough for its miscount.)
  if(NOT EMULATOR MATCHES "wine")
    set(terminal_columns 60)
    expect_terminal(0 "${sea_table}" search 夜の海 --all)
    set(terminal_columns 100)
  endif()
  set(environment COLUMNS=60)
  expect_terminal(0 "${sea_table}" search 夜の海 --all)
  set(environment "")
endif()

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} case(s) failed")
endif()
