# Writes Data/MANIFEST: one line a data file, "SHA256 SIZE PATH" (PATH from the data root), for
# the game to check its data against. Usage: cmake -DROOT=DIR -DFILES="a;b" -P write-manifest.cmake
set(text "")
foreach(file ${FILES})
  file(SHA256 ${ROOT}/${file} hash)
  file(SIZE ${ROOT}/${file} size)
  string(APPEND text "${hash} ${size} ${file}\n")
endforeach()
file(WRITE ${ROOT}/Data/MANIFEST.tmp "${text}")
file(RENAME ${ROOT}/Data/MANIFEST.tmp ${ROOT}/Data/MANIFEST)
