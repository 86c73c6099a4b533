set(VANDRAX_CORE_SOURCES ${VANDRAX_CORE_SOURCES}
  src/base/errors.cpp
  src/engine/math256.cpp
  src/engine/sprite.cpp
  src/engine/image_list.cpp
  src/engine/wave_list.cpp)
