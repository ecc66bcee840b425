// placeholder until the library has code
