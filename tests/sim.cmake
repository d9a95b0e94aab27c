# The e-Delivery simulator's own tests: it must refuse what the service would refuse, or the
# client's faults could hide behind a lenient fake.
if(TARGET edelivery-sim)
  # SimProcess in the shared test library runs the simulator, so every test has it built.
  add_dependencies(tarnvel_testsupport edelivery-sim)
  tarnvel_add_test(NAME test_sim_token LABEL integration
    SOURCES integration/test_sim_token.cpp integration/test_sim_support.cpp
    LIBS Qt6::Network OpenSSL::Crypto)
  tarnvel_add_test(NAME test_sim_resources LABEL integration
    SOURCES integration/test_sim_resources.cpp integration/test_sim_support.cpp
    LIBS Qt6::Network OpenSSL::Crypto)
  target_compile_definitions(test_sim_token PRIVATE TARNVEL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
endif()
