# The JPEG byte layer is its own library, pixmill_jpegmeta, which links pixmill_platform alone.
list(APPEND PIXMILL_JPEGMETA_SOURCES
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
