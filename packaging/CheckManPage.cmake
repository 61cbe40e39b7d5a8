# Fails when a man page and the program's --help disagree on the options: every option that
# --help names must have its entry in the man page's OPTIONS section, and every entry there must
# still be an option of the program.
#   cmake -DPROGRAM=<binary> -DMANPAGE=<page.1 or page.1.in> -P CheckManPage.cmake
execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help ERROR_VARIABLE help_error
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} --help failed (${result}): ${help_error}")
endif()
string(REGEX MATCHALL "--[a-z][a-z0-9-]*" help_options "${help}")
list(REMOVE_DUPLICATES help_options)
if(NOT help_options)
    message(FATAL_ERROR "${PROGRAM} --help names no option:\n${help}")
endif()

# The man page's options: the tag line after each .TP of the OPTIONS section.
file(STRINGS ${MANPAGE} lines)
set(section "")
set(after_tp FALSE)
set(man_options "")
foreach(line IN LISTS lines)
    if(line MATCHES "^\\.SH +(.*)$")
        set(section "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^\\.TP")
        set(after_tp TRUE)
        continue()
    elseif(after_tp AND section STREQUAL "OPTIONS")
        string(REPLACE "\\-" "-" tag "${line}")
        string(REGEX MATCHALL "--[a-z][a-z0-9-]*" tag_options "${tag}")
        list(APPEND man_options ${tag_options})
    endif()
    set(after_tp FALSE)
endforeach()

set(missing ${help_options})
list(REMOVE_ITEM missing ${man_options})
set(stale ${man_options})
list(REMOVE_ITEM stale ${help_options})
if(missing OR stale)
    get_filename_component(page ${MANPAGE} NAME)
    message(FATAL_ERROR "${page} and --help disagree: not in the man page: ${missing}; "
                        "in the man page but not in --help: ${stale}")
endif()
list(LENGTH help_options count)
message(STATUS "${MANPAGE}: all ${count} options of --help are described")
