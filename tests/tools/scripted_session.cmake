# Runs twain-acquire against the built source with a scripted user in a
# fresh folder, as the demo does, and checks that every picture arrived and
# that the user met no problem.
#   cmake -DACQUIRE=... -DSOURCE=... -DUSER=... -DWORK=... -P scripted_session.cmake
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/out")
set(ENV{TMPDIR} "${WORK}")
set(ENV{XDG_CONFIG_HOME} "${WORK}")
set(ENV{MERVALE_USER_SCRIPT} "${USER}")
execute_process(COMMAND "${ACQUIRE}" --source "${SOURCE}" --wait 20000 --out "${WORK}/out"
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc TIMEOUT 120)
message("${out}${err}")
file(GLOB pictures "${WORK}/out/*.bmp")
list(LENGTH pictures count)
if(NOT rc EQUAL 0 OR NOT out MATCHES "received: 3 pictures" OR NOT out MATCHES "asks to be closed"
   OR err MATCHES "scripted user" OR NOT count EQUAL 3)
  message(FATAL_ERROR "the scripted session did not end with three pictures received and written")
endif()
