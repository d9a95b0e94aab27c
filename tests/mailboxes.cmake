# Mailbox editor rules, key material, and the editor and list dialogs.
if(TARGET tarnvel_mailboxes_core)
  tarnvel_add_test(NAME test_veraddr LABEL unit
    SOURCES unit/test_veraddr.cpp LIBS tarnvel_mailboxes_core)
  tarnvel_add_test(NAME test_keys LABEL unit
    SOURCES unit/test_keys.cpp LIBS tarnvel_mailboxes_core)
endif()
