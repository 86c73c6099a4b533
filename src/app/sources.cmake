set(VANDRAX_CORE_SOURCES ${VANDRAX_CORE_SOURCES}
  src/app/main_form.cpp
  src/app/random.cpp
  src/app/timers.cpp)
