# The folder tree: the rule that builds a mailbox's branch, and the tree in the main window.
if(TARGET tarnvel_browse_core)
  tarnvel_add_test(NAME test_foldertree LABEL unit
    SOURCES unit/test_foldertree.cpp LIBS tarnvel_browse_core)
endif()
