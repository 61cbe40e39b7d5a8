# Fails when the program PROGRAM needs, at its start, a shared library that only devices or the
# window use (FluidSynth, RtMidi, ALSA, Qt): the chord sheet must start without loading them.
execute_process(COMMAND readelf -d ${PROGRAM} OUTPUT_VARIABLE dynamic RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "readelf -d ${PROGRAM} failed")
endif()
string(REGEX MATCHALL "\\(NEEDED\\)[^\n]*" needed "${dynamic}")
foreach(line IN LISTS needed)
    if(line MATCHES "fluidsynth|rtmidi|asound|Qt")
        message(FATAL_ERROR "${PROGRAM} needs a library it never uses: ${line}")
    endif()
endforeach()
list(LENGTH needed count)
message(STATUS "${count} libraries needed, none of them for devices or windows")
