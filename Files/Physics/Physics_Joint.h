// The joints of the physics worlds, by id (ids are never reused). A gear joint goes with either of
// the joints it joins; every joint goes with either of its bodies.
#pragma once
#include <cstdint>

class b2Body;
class b2Joint;
class PhysicsWorld;

// Enters a joint made in `world`; its id.
int32_t Physics_JointAdd(PhysicsWorld* world, b2Joint* joint);
// The joint with that id (and its world), or null.
b2Joint* Physics_JointFind(int32_t id, PhysicsWorld** world = nullptr);
// Destroys the joint (and the gear joints on it); false when there is none.
bool Physics_JointDelete(int32_t id);
// Destroys every joint on a body that is about to be destroyed.
void Physics_JointsOfBodyGone(PhysicsWorld* world, b2Body* body);
// Forgets the joints of a world being freed (Box2D frees them with it).
void Physics_JointsOfWorldGone(PhysicsWorld* world);

// physics_joint_get_value / set_value: the field by its phy_joint_* number, in the units of
// docs/physics.md. Get answers 0 for a field the joint does not have; Set answers false for a field
// it cannot set.
double Physics_JointGet(int32_t id, int32_t field);
bool Physics_JointSet(int32_t id, int32_t field, double value);
