# Each room's target exports its own headers and no others. The build tree
# holds rooms/<name>/<folder> as a link to the room's folder, and
# rooms/<name> is the target's public include path: `#include "room/x.h"`
# resolves for the target and for whatever links it, directly or through
# what it links PUBLIC, and for nothing else.
#
#   mervale_room(<target> <folder> [EXCEPT <subfolder>...])
#
# <folder> is relative to the top of the tree ("imaging", "imaging/correction");
# <name> is its last part. Subfolders named after EXCEPT are rooms of their
# own: the folder is then a directory of links to its other entries.
function(mervale_room target folder)
  cmake_parse_arguments(PARSE_ARGV 2 room "" "" "EXCEPT")
  get_filename_component(name "${folder}" NAME)
  set(include_root "${CMAKE_BINARY_DIR}/rooms/${name}")
  set(source "${PROJECT_SOURCE_DIR}/${folder}")
  get_filename_component(parent "${include_root}/${folder}" DIRECTORY)
  file(MAKE_DIRECTORY "${parent}")
  if(room_EXCEPT)
    file(MAKE_DIRECTORY "${include_root}/${folder}")
    # A new file in the folder runs the configuration again, which links it.
    file(GLOB entries CONFIGURE_DEPENDS RELATIVE "${source}" "${source}/*")
    foreach(entry IN LISTS entries)
      if(NOT entry IN_LIST room_EXCEPT)
        file(CREATE_LINK "${source}/${entry}" "${include_root}/${folder}/${entry}" SYMBOLIC)
      endif()
    endforeach()
  else()
    file(CREATE_LINK "${source}" "${include_root}/${folder}" SYMBOLIC)
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE "${include_root}")
  else()
    target_include_directories(${target} PUBLIC "${include_root}")
  endif()
endfunction()
