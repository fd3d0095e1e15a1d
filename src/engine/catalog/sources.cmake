list(APPEND PIXMILL_PLAIN_SOURCES)
list(APPEND PIXMILL_ENGINE_SOURCES
  catalog/catalog_jobs.cpp
  catalog/catalog_loader.cpp
  catalog/catalog_model.cpp
  catalog/folder_history.cpp
  catalog/folder_scan.cpp
  catalog/photo_details.cpp
  catalog/photo_fields.cpp
  catalog/photo_summary.cpp)
