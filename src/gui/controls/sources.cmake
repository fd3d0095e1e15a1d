list(APPEND PIXMILL_GUI_SOURCES
  controls/path_dialog.cpp
  controls/folder_tree_model.cpp
  controls/user_prompter.cpp
  controls/int_field.cpp
  controls/base_tool_dlg.cpp
  controls/toolbox_dlg.cpp
  controls/edit_list_ctrl.cpp
  controls/dialog_buttons.cpp
  controls/output_options_group.cpp)
