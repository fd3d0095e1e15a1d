# The watermark layout file reader (plain C++ over bytes).
pixmill_add_fuzzer(fuzz_watermark ${CMAKE_CURRENT_SOURCE_DIR}/watermark_layout_fuzz.cpp)
