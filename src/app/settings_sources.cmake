set(VANDRAX_CORE_SOURCES ${VANDRAX_CORE_SOURCES}
    src/app/text_codec.cpp src/app/high_scores.cpp src/app/settings_file.cpp)
