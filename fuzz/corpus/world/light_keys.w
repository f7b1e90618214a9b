light
name l
range 5
power 2
diffuse 1 1 1
light_link_by_socket 1 a s
sky_mesh m.x
lens_flare_direction 30 90
WorldTerrain t
skinmesh m
name s
blinking1 1 2 3 4 5 6 7