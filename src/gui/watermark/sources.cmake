list(APPEND PIXMILL_GUI_SOURCES
  watermark/color_picker_button.cpp
  watermark/grid_static.cpp
  watermark/layer_clipboard.cpp
  watermark/layout_library_bar.cpp
  watermark/layout_pane.cpp
  watermark/preview_dlg.cpp
  watermark/water_image_dlg.cpp
  watermark/water_text_dlg.cpp)
