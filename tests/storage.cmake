# Storage: database key, configuration and data databases, text helpers.
if(TARGET tarnvel_storage)
  tarnvel_add_test(NAME test_storage_key LABEL unit
    SOURCES unit/test_storage_key.cpp LIBS tarnvel_storage)
endif()
