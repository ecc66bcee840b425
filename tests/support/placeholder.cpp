// placeholder until the fakes arrive
