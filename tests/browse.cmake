# The folder tree: the rule that builds a mailbox's branch, and the tree in the main window.
if(TARGET tarnvel_browse_core)
  tarnvel_add_test(NAME test_foldertree LABEL unit
    SOURCES unit/test_foldertree.cpp LIBS tarnvel_browse_core)
endif()
if(TARGET tarnvel_mainwindow AND TARGET edelivery-sim)
  tarnvel_add_test(NAME test_tree_sim LABEL integration
    SOURCES integration/test_tree_sim.cpp LIBS tarnvel_mainwindow)
  add_dependencies(test_tree_sim edelivery-sim)
endif()
