// replaced by the real library
