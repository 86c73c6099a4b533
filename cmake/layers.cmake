# The layering wall. Each layer of src/ is its own target whose include root holds links to its
# own folder and the folders beneath it, and nothing else: an include of a higher layer, or of
# the SDL side from the core, does not compile. scripts/check-layers checks the include lines
# themselves (system headers, relative paths, cycles).

function(_vandrax_link source link)
  get_filename_component(parent ${link} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(NOT EXISTS ${link} AND NOT IS_SYMLINK ${link})
    file(CREATE_LINK ${source} ${link} SYMBOLIC)
  endif()
endfunction()

# vandrax_layer_includes(<target> <PUBLIC|INTERFACE> <entry>...)
# An entry is a folder under src/ ("engine", "platform/sdl"); "platform" alone stands for the
# platform interfaces, the headers directly in src/platform/, without the folders under it.
function(vandrax_layer_includes target scope)
  set(root ${CMAKE_BINARY_DIR}/layers/${target})
  foreach(entry ${ARGN})
    if(entry STREQUAL "platform")
      file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/*.h)
      file(MAKE_DIRECTORY ${root}/platform)
      foreach(header ${headers})
        get_filename_component(name ${header} NAME)
        _vandrax_link(${header} ${root}/platform/${name})
      endforeach()
    else()
      if(NOT IS_DIRECTORY ${CMAKE_SOURCE_DIR}/src/${entry})
        message(FATAL_ERROR "layer ${target}: no folder src/${entry}")
      endif()
      _vandrax_link(${CMAKE_SOURCE_DIR}/src/${entry} ${root}/${entry})
    endif()
  endforeach()
  target_include_directories(${target} ${scope} ${root})
endfunction()
