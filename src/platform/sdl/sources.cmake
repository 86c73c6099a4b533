set(VANDRAX_PLATFORM_SOURCES ${VANDRAX_PLATFORM_SOURCES}
  src/platform/sdl/sdl_surface.cpp
  src/platform/sdl/sdl_window.cpp
  src/platform/sdl/sdl_sound.cpp
  src/platform/sdl/sdl_input.cpp)
set(VANDRAX_PLATFORM_SOURCES ${VANDRAX_PLATFORM_SOURCES} src/platform/sdl/paths.cpp)
