# The shell's small windows: language, message box, about window and skin chooser. Included by
# src/app/CMakeLists.txt; sharing its folder, their include root names their own headers only.
set(CMAKE_AUTOMOC ON)
norvik_library(norvik_app_windows
  PREFIX app
  HEADERS language.h msg_wnd.h about_wnd.h skin_frame.h app_messages.h
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/language.cpp
    ${CMAKE_CURRENT_LIST_DIR}/msg_wnd.cpp
    ${CMAKE_CURRENT_LIST_DIR}/about_wnd.cpp
    ${CMAKE_CURRENT_LIST_DIR}/skin_frame.cpp
  DEPS norvik_ui norvik_update norvik_profiles Qt6::Widgets PkgConfig::JSONCPP norvik_base)
set_target_properties(norvik_app_windows PROPERTIES AUTOMOC ON)
