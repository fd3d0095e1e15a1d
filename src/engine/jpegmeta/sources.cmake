# Sources of this subsystem: plain C++ into pixmill_plain, the rest into pixmill_engine.
list(APPEND PIXMILL_PLAIN_SOURCES
  jpegmeta/exif_engine_pass.cpp
  jpegmeta/exif_orientation.cpp
  jpegmeta/exif_thumbnail_writer.cpp
  jpegmeta/icc_profile.cpp
  jpegmeta/image_metadata.cpp
  jpegmeta/jpeg_commands.cpp
  jpegmeta/jpeg_section_edit.cpp
  jpegmeta/jpeg_sections.cpp
  jpegmeta/metadata_carry.cpp
  jpegmeta/photo_info.cpp
  jpegmeta/photo_info_exif.cpp
  jpegmeta/section_reader.cpp
  jpegmeta/shift_time.cpp
  jpegmeta/tiff_walker.cpp)
list(APPEND PIXMILL_ENGINE_SOURCES)
