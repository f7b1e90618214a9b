world_general_properties
farz 2000
fog0 8421504 1.0 0.6
global_ambient_light 4210752
light
name test_light
xpos 0
ypos 10
zpos 0
range 30
power 1.0
diffuse 1.0 0.9 0.8
mesh prefabs\special\start_point.x
name generator_sciezek_01
xpos 0
ypos 0
zpos 0
flags 0
path_generation 1 2 0.5 30 2000
