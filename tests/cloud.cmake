# The in-cloud weighting by collection efficiency: the model and its file.
nimbrel_test(test_cloudweights SOURCES test_cloudweights.cpp LIBS nimbrel_files)
