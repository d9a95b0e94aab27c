# Mailbox editor rules, key material, and the editor and list dialogs.
if(TARGET tarnvel_mailboxes_core)
  tarnvel_add_test(NAME test_veraddr LABEL unit
    SOURCES unit/test_veraddr.cpp LIBS tarnvel_mailboxes_core)
  tarnvel_add_test(NAME test_keys LABEL unit
    SOURCES unit/test_keys.cpp LIBS tarnvel_mailboxes_core)
endif()
if(TARGET tarnvel_mailboxes)
  tarnvel_add_test(NAME test_mailbox_editor LABEL gui
    SOURCES gui/test_mailbox_editor.cpp LIBS tarnvel_mailboxes)
endif()
if(TARGET tarnvel_mailboxes)
  tarnvel_add_test(NAME test_mblist LABEL gui
    SOURCES gui/test_mblist.cpp LIBS tarnvel_mailboxes)
endif()
