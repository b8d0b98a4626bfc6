# The dose-response fit of cage mortality against deposit.
nimbrel_test(test_doseresponse SOURCES test_doseresponse.cpp LIBS nimbrel_model)
