# Tests of this area are registered here.
