# The JPEG metadata engine's parsers: the section reader with the in-memory rewrite, and the
# photo-information reader. They link the byte layer alone.
pixmill_add_fuzzer(fuzz_jpegmeta_sections LIBRARY pixmill_jpegmeta
  ${CMAKE_CURRENT_SOURCE_DIR}/jpegmeta_sections_fuzzer.cpp)
pixmill_add_fuzzer(fuzz_jpegmeta_photoinfo LIBRARY pixmill_jpegmeta
  ${CMAKE_CURRENT_SOURCE_DIR}/jpegmeta_photoinfo_fuzzer.cpp)
pixmill_add_fuzzer(fuzz_jpegmeta_orientation LIBRARY pixmill_jpegmeta
  ${CMAKE_CURRENT_SOURCE_DIR}/jpegmeta_orientation_fuzzer.cpp)
