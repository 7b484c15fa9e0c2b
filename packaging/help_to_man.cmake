# Writes the manual page of quorvex-check from the text of `quorvex-check --help`, so the
# page always documents the options and exit statuses the program has.
#   cmake -DPROGRAM=quorvex-check -DTEMPLATE=quorvex-check.1.in -DOUTPUT=quorvex-check.1
#         -DVERSION=1.0.0 -P help_to_man.cmake
#
# The help text is read as: a "Usage: NAME SYNOPSIS" line, continued by indented lines (one
# that starts with NAME is another form of the command); paragraphs; items, each a line
# "  TERM  TEXT" (TERM of words with single blanks, then two or more blanks) continued by
# lines indented further; and headings, unindented lines ending in ":". The paragraphs
# before the first item describe the program, the items up to the first heading are the
# options, and each heading opens a section of its own.

cmake_policy(VERSION 3.25)

execute_process(COMMAND "${PROGRAM}" --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help failed: ${status}")
endif()

# Troff text: backslashes and minus signs escaped, a leading dot or quote made plain text.
function(roff out text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  if(text MATCHES "^[.']")
    set(text "\\&${text}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# An item's term: options bold, their arguments and other words in italics.
function(roff_term out term)
  string(REPLACE " " ";" words "${term}")
  set(result "")
  foreach(word IN LISTS words)
    roff(w "${word}")
    if(word MATCHES "^-" OR word MATCHES "^[0-9]+$")
      string(APPEND result " \\fB${w}\\fR")
    else()
      string(APPEND result " \\fI${w}\\fR")
    endif()
  endforeach()
  string(STRIP "${result}" result)
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

string(REPLACE ";" "\\;" help "${help}")
string(REPLACE "\n" ";" lines "${help}")
set(page "")
set(section "")
set(para_open FALSE)
foreach(line IN LISTS lines)
  if(line MATCHES "^Usage: ([^ ]+) (.*)$")
    set(program "${CMAKE_MATCH_1}")
    roff(name "${program}")
    roff(synopsis "${CMAKE_MATCH_2}")
    string(APPEND page ".SH SYNOPSIS\n.B ${name}\n${synopsis}\n")
    set(section "SYNOPSIS")
  elseif(section STREQUAL "SYNOPSIS" AND line MATCHES "^ +([^ ].*)$")
    # Another form of the command, or the previous one continued.
    string(STRIP "${line}" line)
    roff(text "${line}")
    if(line MATCHES "^${program} (.*)$")
      roff(text "${CMAKE_MATCH_1}")
      string(APPEND page ".br\n.B ${name}\n")
    endif()
    string(APPEND page "${text}\n")
  elseif(line STREQUAL "")
    if(section STREQUAL "SYNOPSIS")
      string(APPEND page ".SH DESCRIPTION\n")
      set(section "DESCRIPTION")
    endif()
    set(para_open FALSE)
  elseif(line MATCHES "^  ([^ ]+( [^ ]+)*)  +([^ ].*)$")
    if(section STREQUAL "DESCRIPTION")
      string(APPEND page ".SH OPTIONS\n")
      set(section "OPTIONS")
    endif()
    roff_term(term "${CMAKE_MATCH_1}")
    roff(text "${CMAKE_MATCH_3}")
    string(APPEND page ".TP\n${term}\n${text}\n")
    set(para_open TRUE)
  elseif(line MATCHES "^   +(.*)$")
    roff(text "${CMAKE_MATCH_1}")
    string(APPEND page "${text}\n")
  elseif(line MATCHES "^([^ ].*):$")
    string(TOUPPER "${CMAKE_MATCH_1}" heading)
    string(APPEND page ".SH ${heading}\n")
    set(section "${heading}")
    set(para_open FALSE)
  else()
    string(STRIP "${line}" line)
    roff(text "${line}")
    if(NOT para_open)
      string(APPEND page ".PP\n")
      set(para_open TRUE)
    endif()
    string(APPEND page "${text}\n")
  endif()
endforeach()

file(READ "${TEMPLATE}" template)
string(REPLACE "@VERSION@" "${VERSION}" template "${template}")
string(REPLACE "@FROM_HELP@\n" "${page}" template "${template}")
file(WRITE "${OUTPUT}" "${template}")
