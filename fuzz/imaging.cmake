# The imaging module's byte-level parsers: PNG chunks and JPEG colour-profile chunks.
pixmill_add_fuzzer(fuzz_png_chunks ${CMAKE_CURRENT_SOURCE_DIR}/png_chunks_fuzzer.cpp)
