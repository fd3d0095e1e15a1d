# Sources of this subsystem: plain C++ into pixmill_plain, the rest into pixmill_engine.
list(APPEND PIXMILL_PLAIN_SOURCES
  imaging/png_chunks.cpp
  imaging/size_presets.cpp)
list(APPEND PIXMILL_ENGINE_SOURCES
  imaging/batch_output.cpp
  imaging/bmp_writer.cpp
  imaging/catalog_thumbnail.cpp
  imaging/colour_profile.cpp
  imaging/crop_batch.cpp
  imaging/error_log.cpp
  imaging/exif_thumbnail.cpp
  imaging/heif_image.cpp
  imaging/image_io.cpp
  imaging/input_formats.cpp
  imaging/jpeg_codec.cpp
  imaging/pixel_budget.cpp
  imaging/lossless_transform.cpp
  imaging/orientation.cpp
  imaging/output_format.cpp
  imaging/pixel_pool.cpp
  imaging/png_grey_writer.cpp
  imaging/resample.cpp
  imaging/resize_batch.cpp
  imaging/rotate_batch.cpp)
# The resampler's loops are written for the vectoriser, which -O2 leaves mostly idle.
set_source_files_properties(imaging/resample.cpp PROPERTIES COMPILE_OPTIONS "-O3")
