# The application shell: pane rules, message boxes and the main window's start-up.
tarnvel_add_test(NAME test_panerules LABEL unit
  SOURCES unit/test_panerules.cpp LIBS tarnvel_panerules)

if(TARGET tarnvel_dialogs)
  tarnvel_add_test(NAME test_mojdbox LABEL gui
    SOURCES gui/test_mojdbox.cpp LIBS tarnvel_dialogs)
endif()

if(TARGET tarnvel_mainwindow)
  tarnvel_add_test(NAME test_mainwindow LABEL gui
    SOURCES gui/test_mainwindow.cpp LIBS tarnvel_mainwindow)
endif()
