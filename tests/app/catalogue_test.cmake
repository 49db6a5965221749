# The German catalogue against the sources: lupdate reads the sources into a copy of the
# committed catalogue, which must come out with every text translated and none the sources
# dropped. Fails on a text added without its translation, a changed source text, or lupdate's
# warnings (a tr() it cannot place in its class).
#   cmake -DLUPDATE=... -DCATALOGUE=...ts -DSOURCES=list-file -DINCLUDE=project-root
#         -DWORK=folder -P catalogue_test.cmake

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
get_filename_component(name "${CATALOGUE}" NAME)
set(copy "${WORK}/${name}")
file(COPY_FILE "${CATALOGUE}" "${copy}")

execute_process(
  COMMAND "${LUPDATE}" -locations none -I "${INCLUDE}" "@${SOURCES}" -ts "${copy}"
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "lupdate failed (${status}):\n${output}${errors}")
endif()
if(NOT errors STREQUAL "")
  message(FATAL_ERROR "lupdate warns about the sources:\n${errors}")
endif()

file(READ "${copy}" catalogue)
string(REGEX MATCHALL "<message>" messages "${catalogue}")
list(LENGTH messages count)
if(count EQUAL 0)
  message(FATAL_ERROR "lupdate found no texts in the sources")
endif()

# Each message whose translation is unfinished (new or changed in the sources) or vanished
# (gone from the sources), by its source text.
string(REGEX MATCHALL
       "<source>[^<]*</source>[^<]*(<[a-z]+[^>]*>[^<]*</[a-z]+>[^<]*)*<translation type=\"(unfinished|vanished|obsolete)\""
       open "${catalogue}")
if(open)
  set(report "")
  foreach(entry IN LISTS open)
    string(REGEX REPLACE "^<source>([^<]*)</source>.*type=\"([a-z]+)\"$" "  \\2: \\1\n" line
                         "${entry}")
    string(APPEND report "${line}")
  endforeach()
  message(FATAL_ERROR "${name} is not complete; bring it up to date with the target "
                      "update_translations and translate:\n${report}")
endif()
message(STATUS "${name}: ${count} texts, all translated")
