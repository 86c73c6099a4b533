set(VANDRAX_CORE_SOURCES ${VANDRAX_CORE_SOURCES}
    src/engine/pack_reader.cpp src/engine/pack_writer.cpp src/engine/dib.cpp src/engine/wave_file.cpp
    src/engine/name_hash.cpp src/engine/pattern_grid.cpp src/engine/color_table.cpp
    src/engine/pack_manifest.cpp)
