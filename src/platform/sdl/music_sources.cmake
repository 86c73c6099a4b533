set(VANDRAX_PLATFORM_SOURCES ${VANDRAX_PLATFORM_SOURCES} src/platform/sdl/music_xmp.cpp)
