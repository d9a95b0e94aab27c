# Tests of the e-Delivery service client.
tarnvel_add_test(NAME test_warsaw LABEL unit SOURCES unit/test_warsaw.cpp LIBS tarnvel_service)
tarnvel_add_test(NAME test_classify LABEL unit SOURCES unit/test_classify.cpp LIBS tarnvel_service)
tarnvel_add_test(NAME test_resources LABEL unit SOURCES unit/test_resources.cpp LIBS tarnvel_service)
tarnvel_add_test(NAME test_assertion LABEL unit SOURCES unit/test_assertion.cpp LIBS tarnvel_service)
tarnvel_add_test(NAME test_sntp LABEL unit SOURCES unit/test_sntp.cpp LIBS tarnvel_service)
tarnvel_add_test(NAME test_service LABEL integration SOURCES integration/test_service.cpp
  LIBS tarnvel_service tarnvel_storage)
if(TARGET edelivery-sim)
  add_dependencies(test_service edelivery-sim)
endif()
# The main window's service members, driven against the simulator.
if(TARGET tarnvel_mainwindow AND TARGET edelivery-sim)
  tarnvel_add_test(NAME test_window_service LABEL integration
    SOURCES integration/test_window_service.cpp LIBS tarnvel_mainwindow)
  add_dependencies(test_window_service edelivery-sim)
endif()
