# Runs the command-line host against the chart table and checks what a shell user sees.
#
#   cmake -DCLI=path/to/tuneledger [-DEMULATOR=qemu-arm;-L;/usr/arm-linux-gnueabihf] -P cli_test.cmake
#
# EMULATOR runs a cross-built host (a CMAKE_CROSSCOMPILING_EMULATOR).
#
# Each case names the exit status, a regular expression the whole stdout must match, and the
# arguments. A usage error must explain itself on stderr; any other answer leaves stderr empty.
# Every case runs, and all failures are reported together.

if(NOT CLI)
  message(FATAL_ERROR "pass the host as -DCLI=path/to/tuneledger")
endif()

set(failures 0)

function(expect status stdout_pattern)
  execute_process(COMMAND ${EMULATOR} "${CLI}" ${ARGN}
    RESULT_VARIABLE actual_status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(problems "")
  if(NOT actual_status STREQUAL status)
    list(APPEND problems "exit status ${actual_status}, expected ${status}")
  endif()
  if(NOT out MATCHES "${stdout_pattern}")
    list(APPEND problems "stdout does not match the case's pattern")
  endif()
  if(status EQUAL 2 AND NOT err MATCHES "--help")
    list(APPEND problems "a usage error must point to --help on stderr")
  elseif(NOT status EQUAL 2 AND NOT err STREQUAL "")
    list(APPEND problems "unexpected stderr")
  endif()
  if(problems)
    string(JOIN " " command_line tuneledger ${ARGN})
    string(REPLACE ";" "\n" problems "${problems}")
    message(SEND_ERROR "${command_line}\n${problems}\n--- stdout:\n${out}--- stderr:\n${err}")
    math(EXPR failures "${failures} + 1")
    set(failures ${failures} PARENT_SCOPE)
  endif()
endfunction()

set(line "[^\n]*\n")  # the rest of an answer's line

# Reading entries: the first, both ends of the range, and a number beyond 32 bits that must
# clamp rather than wrap round to entry 0.
expect(0 "^Tove Lark \\|Wake Me Tonight\\|${line}$" get 0)
expect(1 "^Out of range\n$" get 11082)
expect(1 "^Out of range\n$" get -1)
expect(1 "^Out of range\n$" get 4294967296)

# Searching: a hit, none from past it, a filter, and paging with --all that yields every hit
# once, in order, with options before the argument as well.
expect(0 "^4-Hidden Wolves \\|${line}$" search "(x124)")
expect(1 "^NOT FOUND!\n$" search "(x124)" --from 5)
expect(0 "^4-Hidden Wolves \\|${line}$" filter "(x124)\;|1|\;")
expect(0 "^2215-Björn Rowan ${line}8593-Björn Fenwick ${line}9657-Björn Stroud ${line}$"
  search Björn --all)
expect(0 "^8593-Björn Fenwick ${line}9657-Björn Stroud ${line}$" search --all --from 2216 Björn)
expect(1 "^NOT FOUND!\n$" filter "no entry holds this\;" --all)

# Accented names: stored UTF-8 is found and shown as typed by default; --raw shows and takes
# the library's own characters. An entry that isn't UTF-8 still prints as valid UTF-8.
expect(0 "^5460-The Paper Rockets \\|Café\\|${line}$" search Café)
expect(0 "^The Paper Rockets \\|CafÃ©\\|${line}$" get 5460 --raw)
expect(1 "^NOT FOUND!\n$" search --raw Café)
expect(0 "^5460-The Paper Rockets \\|CafÃ©\\|${line}$" search --raw CafÃ©)
expect(0 "^ZdenÄ\\?k Ardent \\|${line}$" get 342)

# Usage errors.
expect(2 "^$")
expect(2 "^$" find x)
expect(2 "^$" get abc)
expect(2 "^$" get 12x)
expect(2 "^$" get 1 2)
expect(2 "^$" get 1 --all)
expect(2 "^$" search x --from)
expect(2 "^$" search x --bogus)

expect(0 "^Usage: tuneledger get INDEX" --help)

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} case(s) failed")
endif()
