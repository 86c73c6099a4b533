set(VANDRAX_CORE_SOURCES ${VANDRAX_CORE_SOURCES}
  src/screens/main_menu.cpp
  src/screens/menu_sprites.cpp)
