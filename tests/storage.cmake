# Storage: database key, configuration and data databases, text helpers.
if(TARGET tarnvel_storage)
  tarnvel_add_test(NAME test_storage_key LABEL unit
    SOURCES unit/test_storage_key.cpp LIBS tarnvel_storage)
  tarnvel_add_test(NAME test_config LABEL unit
    SOURCES unit/test_config.cpp LIBS tarnvel_storage)
  tarnvel_add_test(NAME test_storage_db LABEL unit
    SOURCES unit/test_storage_db.cpp LIBS tarnvel_storage)
  # Local time far from UTC, so that the local-as-UTC rule of the cache cannot pass by chance.
  set_property(TEST test_storage_db APPEND PROPERTY ENVIRONMENT "TZ=XST-14")
  tarnvel_add_test(NAME test_texthelpers LABEL unit
    SOURCES unit/test_texthelpers.cpp LIBS tarnvel_storage)
endif()

# The real Secret Service: scripts/test provides one in a private session bus.
if(TARGET tarnvel_storage)
  tarnvel_add_test(NAME test_storage_keyring LABEL integration
    SOURCES integration/test_storage_keyring.cpp
    LIBS tarnvel_storage Qt6::DBus Qt6Keychain::Qt6Keychain)
endif()
