int orv_dummy(){return 0;}
