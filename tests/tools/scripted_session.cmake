# Runs twain-acquire against the built source with a scripted user in a
# fresh folder, as the demo does, and checks that every picture arrived and
# that the user met no problem.
#   cmake -DACQUIRE=... -DSOURCE=... -DUSER=... -DWORK=... [-DSCENE=...] [-DPICTURES=N] [-DWAIT=MS] -P scripted_session.cmake
# Without SCENE the camera plays its default scene; PICTURES is 3 and WAIT
# (twain-acquire's wait for news) 20000 unless given.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/out")
set(ENV{TMPDIR} "${WORK}")
set(ENV{XDG_CONFIG_HOME} "${WORK}")
set(ENV{MERVALE_USER_SCRIPT} "${USER}")
if(DEFINED SCENE)
  set(ENV{MERVALE_SCENE} "${SCENE}")
endif()
if(NOT DEFINED PICTURES)
  set(PICTURES 3)
endif()
if(NOT DEFINED WAIT)
  set(WAIT 20000)
endif()
execute_process(COMMAND "${ACQUIRE}" --source "${SOURCE}" --wait ${WAIT} --out "${WORK}/out"
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc TIMEOUT 120)
message("${out}${err}")
file(GLOB pictures "${WORK}/out/*.bmp")
list(LENGTH pictures count)
if(NOT rc EQUAL 0 OR NOT out MATCHES "received: ${PICTURES} pictures" OR NOT out MATCHES "asks to be closed"
   OR err MATCHES "scripted user" OR NOT count EQUAL PICTURES)
  message(FATAL_ERROR "the scripted session did not end with ${PICTURES} pictures received and written")
endif()
