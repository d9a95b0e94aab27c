# The e-Delivery simulator's own tests: it must refuse what the service would refuse, or the
# client's faults could hide behind a lenient fake.
if(TARGET edelivery-sim)
  tarnvel_add_test(NAME test_sim_token LABEL integration
    SOURCES integration/test_sim_token.cpp integration/test_sim_support.cpp
    LIBS Qt6::Network OpenSSL::Crypto)
  tarnvel_add_test(NAME test_sim_resources LABEL integration
    SOURCES integration/test_sim_resources.cpp integration/test_sim_support.cpp
    LIBS Qt6::Network OpenSSL::Crypto)
  add_dependencies(test_sim_token edelivery-sim)
  add_dependencies(test_sim_resources edelivery-sim)
endif()
