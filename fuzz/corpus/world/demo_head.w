world_general_properties
farz 3000
fog0 12898036 1.0 0.55
global_ambient_light 4605510
sky_light_use 1
sky_light_direction 40 135
sky_light_color 16773330
sky_light_power 1.2
lens_flare_direction 40 135
bloom_params 5 0.3
HDRTargetLuminance 0.38
skinmesh_skylight_coef 1
skinmesh_ambient_coef 1
sky_mesh meshes\demo\sky.x
mesh meshes\demo\ground.x
name ground
xpos 0
ypos 0
zpos 0
terrain_mesh
mesh meshes\demo\house.x
name house_01
xpos -60
ypos 0
zpos -18
mesh meshes\demo\house.x
name house_02
xpos -30
ypos 0
zpos -18
mesh meshes\demo\house.x
name house_03
xpos 0
ypos 0
zpos -18
mesh meshes\demo\house.x
name house_04
xpos 30
ypos 0
zpos -18
mesh meshes\demo\house.x
name house_05
xpos 60
ypos 0
zpos -18
mesh meshes\demo\house.x
name house_06
xpos -60
ypos 0
zpos 18
mesh meshes\demo\house.x
name house_07
xpos -30
ypos 0
zpos 18
mesh meshes\demo\house.x
name house_08
xpos 0
ypos 0
zpos 18
mesh meshes\demo\house.x
name house_09
xpos 30
ypos 0
zpos 18
mesh meshes\demo\house.x
name house_10
xpos 60
ypos 0
zpos 18
mesh meshes\demo\tower.x
name tower_01
xpos -95
ypos 0
zpos 0
mesh meshes\demo\tower.x
name tower_02
x