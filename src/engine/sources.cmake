set(VANDRAX_CORE_SOURCES ${VANDRAX_CORE_SOURCES} src/engine/errors.cpp)
