// placeholder until the bus lands
